// Clipboard text between UTF-16LE blocks and X's UTF-8 and Latin-1.
#include "agent/platform/x11/X11Text.h"

#include <gtest/gtest.h>

namespace hd::platform {
namespace {

std::vector<uint8_t> Le(std::u16string_view s) {
    std::vector<uint8_t> out;
    for (char16_t c : s) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

TEST(X11Text, RoundTripsAndStopsAtTheNul) {
    const std::u16string text = u"h\u00e9llo \u20ac \U0001F600";
    const std::string utf8 = "h\xc3\xa9llo \xe2\x82\xac \xf0\x9f\x98\x80";
    std::vector<uint8_t> block = Le(text + u'\0' + u"slack");
    EXPECT_EQ(Utf16LeToUtf8(block.data(), block.size()), utf8);
    EXPECT_EQ(Utf8ToUtf16Le(utf8), Le(text + u'\0'));
    EXPECT_EQ(Utf8ToUtf16Le(""), Le(std::u16string(1, u'\0')));
    // An odd trailing byte is not half a character.
    block = Le(u"ab");
    block.push_back('c');
    EXPECT_EQ(Utf16LeToUtf8(block.data(), block.size()), "ab");
}

TEST(X11Text, BrokenTextBecomesReplacementCharacters) {
    const std::vector<uint8_t> lone = Le(u"a\xd800z");
    EXPECT_EQ(Utf16LeToUtf8(lone.data(), lone.size()), "a\xef\xbf\xbdz");
    // Overlong, a surrogate, a sequence cut short, a stray continuation byte.
    EXPECT_EQ(Utf8ToUtf16Le("\xc0\xafx\xed\xa0\x80y\xe2\x82"),
              Le(std::u16string(u"\xfffd\xfffdx\xfffd\xfffd\xfffdy\xfffd\xfffd") + u'\0'));
    EXPECT_EQ(Latin1ToUtf8("caf\xe9"), "caf\xc3\xa9");
    EXPECT_EQ(Utf8ToLatin1("caf\xc3\xa9 \xe2\x82\xac"), "caf\xe9 ?");
}

}  // namespace
}  // namespace hd::platform
