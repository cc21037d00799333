#include "desktop/ui/main/KeyMap.h"

#include <Qt>
#include <iterator>
#include <span>

#include "common/Codes.h"

namespace hd::desktop {

namespace {

// One key of a layout's main block: its virtual key and the characters it
// types without and with Shift (0: none of its own, e.g. a dead key).
struct LayoutKey {
    uint8_t vk;
    char32_t plain;
    char32_t shifted;
};

// Letters (virtual keys 'A'..'Z' on every layout) and the space bar are
// common; these are the keys that differ.
constexpr LayoutKey kEnglish[] = {
    {0xC0, U'`', U'~'}, {'1', U'1', U'!'},   {'2', U'2', U'@'},  {'3', U'3', U'#'},
    {'4', U'4', U'$'},  {'5', U'5', U'%'},   {'6', U'6', U'^'},  {'7', U'7', U'&'},
    {'8', U'8', U'*'},  {'9', U'9', U'('},   {'0', U'0', U')'},  {0xBD, U'-', U'_'},
    {0xBB, U'=', U'+'}, {0xDB, U'[', U'{'},  {0xDD, U']', U'}'}, {0xDC, U'\\', U'|'},
    {0xBA, U';', U':'}, {0xDE, U'\'', U'"'}, {0xBC, U',', U'<'}, {0xBE, U'.', U'>'},
    {0xBF, U'/', U'?'},
};
constexpr LayoutKey kFrench[] = {
    {0xDE, U'²', 0},    {'1', U'&', U'1'},  {'2', U'é', U'2'},  {'3', U'"', U'3'},
    {'4', U'\'', U'4'}, {'5', U'(', U'5'},  {'6', U'-', U'6'},  {'7', U'è', U'7'},
    {'8', U'_', U'8'},  {'9', U'ç', U'9'},  {'0', U'à', U'0'},  {0xDB, U')', U'°'},
    {0xBB, U'=', U'+'}, {0xBA, U'$', U'£'}, {0xC0, U'ù', U'%'}, {0xDC, U'*', U'µ'},
    {0xE2, U'<', U'>'}, {0xBC, U',', U'?'}, {0xBE, U';', U'.'}, {0xBF, U':', U'/'},
    {0xDF, U'!', U'§'},
};
constexpr LayoutKey kSpanishLatin[] = {
    {0xDC, U'|', U'°'}, {'1', U'1', U'!'},  {'2', U'2', U'"'},  {'3', U'3', U'#'},
    {'4', U'4', U'$'},  {'5', U'5', U'%'},  {'6', U'6', U'&'},  {'7', U'7', U'/'},
    {'8', U'8', U'('},  {'9', U'9', U')'},  {'0', U'0', U'='},  {0xDB, U'\'', U'?'},
    {0xDD, U'¿', U'¡'}, {0xBB, U'+', U'*'}, {0xC0, U'ñ', U'Ñ'}, {0xDE, U'{', U'['},
    {0xBF, U'}', U']'}, {0xE2, U'<', U'>'}, {0xBC, U',', U';'}, {0xBE, U'.', U':'},
    {0xBD, U'-', U'_'},
};
constexpr LayoutKey kGerman[] = {
    {0xDC, 0, U'°'},     {'1', U'1', U'!'},  {'2', U'2', U'"'},  {'3', U'3', U'§'},
    {'4', U'4', U'$'},   {'5', U'5', U'%'},  {'6', U'6', U'&'},  {'7', U'7', U'/'},
    {'8', U'8', U'('},   {'9', U'9', U')'},  {'0', U'0', U'='},  {0xDB, U'ß', U'?'},
    {0xBA, U'ü', U'Ü'},  {0xBB, U'+', U'*'}, {0xC0, U'ö', U'Ö'}, {0xDE, U'ä', U'Ä'},
    {0xBF, U'#', U'\''}, {0xE2, U'<', U'>'}, {0xBC, U',', U';'}, {0xBE, U'.', U':'},
    {0xBD, U'-', U'_'},
};
constexpr LayoutKey kSwiss[] = {
    {0xBF, U'§', U'°'}, {'1', U'1', U'+'},  {'2', U'2', U'"'},  {'3', U'3', U'*'},
    {'4', U'4', U'ç'},  {'5', U'5', U'%'},  {'6', U'6', U'&'},  {'7', U'7', U'/'},
    {'8', U'8', U'('},  {'9', U'9', U')'},  {'0', U'0', U'='},  {0xDB, U'\'', U'?'},
    {0xBA, U'ü', U'è'}, {0xC0, U'ö', U'é'}, {0xDE, U'ä', U'à'}, {0xDF, U'$', U'£'},
    {0xDD, 0, U'!'},    {0xE2, U'<', U'>'}, {0xBC, U',', U';'}, {0xBE, U'.', U':'},
    {0xBD, U'-', U'_'},
};
// The key right of the right Shift (slash and question mark) has virtual key
// 0xC1, which on the handheld is application button 1: those two characters
// go as characters instead.
constexpr LayoutKey kBrazilian[] = {
    {0xC0, U'\'', U'"'}, {'1', U'1', U'!'},  {'2', U'2', U'@'},  {'3', U'3', U'#'},
    {'4', U'4', U'$'},   {'5', U'5', U'%'},  {'6', U'6', 0},     {'7', U'7', U'&'},
    {'8', U'8', U'*'},   {'9', U'9', U'('},  {'0', U'0', U')'},  {0xBD, U'-', U'_'},
    {0xBB, U'=', U'+'},  {0xDD, U'[', U'{'}, {0xBA, U'ç', U'Ç'}, {0xDC, U']', U'}'},
    {0xE2, U'\\', U'|'}, {0xBC, U',', U'<'}, {0xBE, U'.', U'>'}, {0xBF, U';', U':'},
};
constexpr LayoutKey kSpanishIntl[] = {
    {0xDC, U'º', U'ª'}, {'1', U'1', U'!'},  {'2', U'2', U'"'},  {'3', U'3', U'·'},
    {'4', U'4', U'$'},  {'5', U'5', U'%'},  {'6', U'6', U'&'},  {'7', U'7', U'/'},
    {'8', U'8', U'('},  {'9', U'9', U')'},  {'0', U'0', U'='},  {0xDB, U'\'', U'?'},
    {0xDD, U'¡', U'¿'}, {0xBB, U'+', U'*'}, {0xC0, U'ñ', U'Ñ'}, {0xBF, U'ç', U'Ç'},
    {0xE2, U'<', U'>'}, {0xBC, U',', U';'}, {0xBE, U'.', U':'}, {0xBD, U'-', U'_'},
};
constexpr LayoutKey kEnglishUK[] = {
    {0xDF, U'`', U'¬'},  {'1', U'1', U'!'},  {'2', U'2', U'"'},   {'3', U'3', U'£'},
    {'4', U'4', U'$'},   {'5', U'5', U'%'},  {'6', U'6', U'^'},   {'7', U'7', U'&'},
    {'8', U'8', U'*'},   {'9', U'9', U'('},  {'0', U'0', U')'},   {0xBD, U'-', U'_'},
    {0xBB, U'=', U'+'},  {0xDB, U'[', U'{'}, {0xDD, U']', U'}'},  {0xBA, U';', U':'},
    {0xC0, U'\'', U'@'}, {0xDE, U'#', U'~'}, {0xDC, U'\\', U'|'}, {0xBC, U',', U'<'},
    {0xBE, U'.', U'>'},  {0xBF, U'/', U'?'},
};

// By stored `Keyboard` code.
std::span<const LayoutKey> Layout(int code) {
    switch (code) {
        case 1:
            return kFrench;
        case 2:
            return kSpanishLatin;
        case 3:
            return kGerman;
        case 4:
            return kSwiss;
        case 5:
            return kBrazilian;
        case 6:
            return kSpanishIntl;
        case 7:
            return kEnglishUK;
        default:
            return kEnglish;
    }
}

// Keys that type no character of their own, by their virtual key.
struct NamedKey {
    int qt;
    uint8_t vk;
};
constexpr NamedKey kNamed[] = {
    {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D},   {Qt::Key_Backspace, 0x08},
    {Qt::Key_Tab, 0x09},    {Qt::Key_Backtab, 0x09}, {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},  {Qt::Key_PageUp, 0x21},  {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},    {Qt::Key_Home, 0x24},    {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},     {Qt::Key_Right, 0x27},   {Qt::Key_Down, 0x28},
    {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E},
};

int NamedVk(int key) {
    for (const NamedKey& k : kNamed)
        if (k.qt == key) return k.vk;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 0x70 + (key - Qt::Key_F1);
    return 0;
}

}  // namespace

bool KeyForCharacter(char32_t ch, int layout, uint8_t& vk, bool& shift) {
    if (ch >= U'a' && ch <= U'z') {
        vk = uint8_t('A' + (ch - U'a'));
        shift = false;
        return true;
    }
    if (ch >= U'A' && ch <= U'Z') {
        vk = uint8_t(ch);
        shift = true;
        return true;
    }
    if (ch == U' ') {
        vk = 0x20;
        shift = false;
        return true;
    }
    const std::span<const LayoutKey> keys = Layout(layout);
    for (const LayoutKey& k : keys)
        if (k.plain == ch) {
            vk = k.vk;
            shift = false;
            return true;
        }
    for (const LayoutKey& k : keys)
        if (k.shifted == ch) {
            vk = k.vk;
            shift = true;
            return true;
        }
    return false;
}

std::vector<KeyCommand> MapKey(const KeyInput& in, int layout) {
    std::vector<KeyCommand> out;
    if (const int vk = NamedVk(in.key)) {
        if (in.shift || in.key == Qt::Key_Backtab)
            out.push_back({HC_SHIFTKEY, uint32_t(vk)});
        else
            out.push_back({in.autoRepeat ? uint8_t(HC_KEYDOWN) : uint8_t(HC_KEY), uint32_t(vk)});
        return out;
    }
    // Chords are commands for the desktop, not text for the handheld.
    if (in.control || in.alt) return out;
    for (char32_t ch : in.text) {
        if (ch < 0x20 || ch == 0x7F || (ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF) continue;
        uint8_t vk = 0;
        bool shift = false;
        if (KeyForCharacter(ch, layout, vk, shift))
            out.push_back({shift ? uint8_t(HC_SHIFTKEY) : uint8_t(HC_KEY), vk});
        else
            out.push_back({HC_CHAR, uint32_t(ch)});
    }
    return out;
}

}  // namespace hd::desktop
