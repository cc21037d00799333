#include <gtest/gtest.h>

#include <Qt>

#include "common/Codes.h"
#include "desktop/ui/main/KeyMap.h"

namespace hd::desktop {
namespace {

constexpr int kEnglish = 0, kFrench = 1, kGerman = 3, kBrazilian = 5, kEnglishUK = 7;

KeyInput Typed(int key, std::u32string text, bool shift = false) {
    KeyInput in;
    in.key = key;
    in.text = std::move(text);
    in.shift = shift;
    return in;
}

std::vector<KeyCommand> One(uint8_t command, uint32_t value) {
    return {KeyCommand{command, value}};
}

TEST(KeyMap, LettersAndDigitsAreKeysShiftedWhenUpperCase) {
    EXPECT_EQ(MapKey(Typed(Qt::Key_A, U"a"), kEnglish), One(HC_KEY, 'A'));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Z, U"z"), kEnglish), One(HC_KEY, 'Z'));
    EXPECT_EQ(MapKey(Typed(Qt::Key_A, U"A", true), kEnglish), One(HC_SHIFTKEY, 'A'));
    // Caps Lock on the desktop: upper case without Shift still needs it on the handheld.
    EXPECT_EQ(MapKey(Typed(Qt::Key_Q, U"Q"), kEnglish), One(HC_SHIFTKEY, 'Q'));
    EXPECT_EQ(MapKey(Typed(Qt::Key_7, U"7"), kEnglish), One(HC_KEY, '7'));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Space, U" "), kEnglish), One(HC_KEY, 0x20));
}

TEST(KeyMap, PunctuationFollowsTheHandheldsLayout) {
    // '@' is Shift+2 on the US layout, Shift+' on the UK one.
    EXPECT_EQ(MapKey(Typed(Qt::Key_At, U"@", true), kEnglish), One(HC_SHIFTKEY, '2'));
    EXPECT_EQ(MapKey(Typed(Qt::Key_At, U"@", true), kEnglishUK), One(HC_SHIFTKEY, 0xC0));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Slash, U"/"), kEnglish), One(HC_KEY, 0xBF));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Slash, U"/"), kGerman), One(HC_SHIFTKEY, '7'));
    // On the French layout the digit keys type accents; digits need Shift.
    EXPECT_EQ(MapKey(Typed(0xC9, U"é"), kFrench), One(HC_KEY, '2'));
    EXPECT_EQ(MapKey(Typed(Qt::Key_2, U"2", true), kFrench), One(HC_SHIFTKEY, '2'));
    // German has keys for its umlauts; English has none and sends the character.
    EXPECT_EQ(MapKey(Typed(0xDC, U"ü"), kGerman), One(HC_KEY, 0xBA));
    EXPECT_EQ(MapKey(Typed(0xDC, U"ü"), kEnglish), One(HC_CHAR, U'ü'));
    // An unknown layout code counts as English.
    EXPECT_EQ(MapKey(Typed(Qt::Key_At, U"@", true), 42), One(HC_SHIFTKEY, '2'));
    // The Brazilian slash key shares its code with application button 1: never sent as a key.
    EXPECT_EQ(MapKey(Typed(Qt::Key_Slash, U"/"), kBrazilian), One(HC_CHAR, '/'));
}

TEST(KeyMap, CharactersWithoutAKeyGoAsCharacters) {
    EXPECT_EQ(MapKey(Typed(0, U"€"), kEnglish), One(HC_CHAR, 0x20AC));
    EXPECT_EQ(MapKey(Typed(0, U"日"), kGerman), One(HC_CHAR, 0x65E5));
    // A composed text of several characters gives one command each, in order.
    const std::vector<KeyCommand> both = MapKey(Typed(0, U"ñx"), kEnglish);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], (KeyCommand{HC_CHAR, U'ñ'}));
    EXPECT_EQ(both[1], (KeyCommand{HC_KEY, 'X'}));
    // Control characters and lone surrogates are never sent.
    EXPECT_TRUE(MapKey(Typed(0, U"\x7f"), kEnglish).empty());
    EXPECT_TRUE(MapKey(Typed(0, std::u32string(1, char32_t(0xD800))), kEnglish).empty());
}

TEST(KeyMap, EditingAndNavigationKeysAreVirtualKeys) {
    EXPECT_EQ(MapKey(Typed(Qt::Key_Return, U"\r"), kEnglish), One(HC_KEY, 0x0D));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Enter, U"\r"), kFrench), One(HC_KEY, 0x0D));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Backspace, U"\b"), kEnglish), One(HC_KEY, 0x08));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Tab, U"\t"), kEnglish), One(HC_KEY, 0x09));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Escape, U"\x1b"), kEnglish), One(HC_KEY, 0x1B));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Left, U""), kEnglish), One(HC_KEY, 0x25));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Up, U""), kEnglish), One(HC_KEY, 0x26));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Right, U""), kEnglish), One(HC_KEY, 0x27));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Down, U""), kEnglish), One(HC_KEY, 0x28));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Delete, U"\x7f"), kEnglish), One(HC_KEY, 0x2E));
    EXPECT_EQ(MapKey(Typed(Qt::Key_F5, U""), kEnglish), One(HC_KEY, 0x74));
    // Shift with a navigation key selects on the handheld.
    EXPECT_EQ(MapKey(Typed(Qt::Key_Right, U"", true), kEnglish), One(HC_SHIFTKEY, 0x27));
    EXPECT_EQ(MapKey(Typed(Qt::Key_Backtab, U"", true), kEnglish), One(HC_SHIFTKEY, 0x09));
    // A held key repeats as key-downs.
    KeyInput held = Typed(Qt::Key_Down, U"");
    held.autoRepeat = true;
    EXPECT_EQ(MapKey(held, kEnglish), One(HC_KEYDOWN, 0x28));
}

TEST(KeyMap, ModifiersAloneAndChordsSendNothing) {
    EXPECT_TRUE(MapKey(Typed(Qt::Key_Shift, U"", true), kEnglish).empty());
    EXPECT_TRUE(MapKey(Typed(Qt::Key_Control, U""), kEnglish).empty());
    EXPECT_TRUE(MapKey(Typed(Qt::Key_CapsLock, U""), kEnglish).empty());
    KeyInput chord = Typed(Qt::Key_C, U"\x03");
    chord.control = true;
    EXPECT_TRUE(MapKey(chord, kEnglish).empty());
    KeyInput alt = Typed(Qt::Key_F, U"f");
    alt.alt = true;
    EXPECT_TRUE(MapKey(alt, kEnglish).empty());
    // But a navigation key with Control still moves.
    KeyInput ctrlLeft = Typed(Qt::Key_Left, U"");
    ctrlLeft.control = true;
    EXPECT_EQ(MapKey(ctrlLeft, kEnglish), One(HC_KEY, 0x25));
}

}  // namespace
}  // namespace hd::desktop
