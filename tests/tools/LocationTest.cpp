#include <gtest/gtest.h>

#include "desktop/tools/files/Location.h"
#include "desktop/tools/files/Records.h"
#include "desktop/tools/files/TextCodec.h"

namespace hd::tools {

TEST(Location, JoinUsesTheSeparatorOfTheLocation) {
    EXPECT_EQ(JoinPath("1:\\", "a"), "1:\\a");
    EXPECT_EQ(JoinPath("1:\\My Documents", "a.txt"), "1:\\My Documents\\a.txt");
    EXPECT_EQ(JoinPath("/tmp", "a"), "/tmp/a");
    EXPECT_EQ(JoinPath("/", "a"), "/a");
    // A backslash is an ordinary character in a desktop name.
    EXPECT_EQ(JoinPath("/tmp\\", "a"), "/tmp\\/a");
    EXPECT_EQ(StripLocation("1:\\a\\b"), "\\a\\b");
}

TEST(Location, ComponentsAndParents) {
    EXPECT_EQ(LastComponent("1:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(LastComponent("1:\\a\\"), "a");
    EXPECT_EQ(LastComponent("1:\\"), "");
    EXPECT_EQ(LastComponent("/x/y/"), "y");
    EXPECT_EQ(LastComponent("/"), "");
    EXPECT_EQ(ParentPath("1:\\a\\b"), "1:\\a");
    EXPECT_EQ(ParentPath("1:\\a"), "1:\\");
    EXPECT_EQ(ParentPath("1:\\"), "1:\\");
    EXPECT_EQ(ParentPath("/x/y"), "/x");
    EXPECT_EQ(ParentPath("/x//y//"), "/x");
    EXPECT_EQ(ParentPath("/x"), "/");
    EXPECT_EQ(ParentPath("y"), ".");
    EXPECT_EQ(ParentPath("d/y"), "d");
}

TEST(Location, UnsafeNamesFromAListing) {
    EXPECT_TRUE(IsSafeEntryName("a.txt"));
    EXPECT_TRUE(IsSafeEntryName("..a"));
    EXPECT_TRUE(IsSafeEntryName("a\\b"));
    EXPECT_FALSE(IsSafeEntryName(""));
    EXPECT_FALSE(IsSafeEntryName("."));
    EXPECT_FALSE(IsSafeEntryName(".."));
    EXPECT_FALSE(IsSafeEntryName("../x"));
    EXPECT_FALSE(IsSafeEntryName("a/b"));
    EXPECT_FALSE(IsSafeEntryName(std::string_view("a\0b", 3)));
}

TEST(TextCodec, RoundTripsAndRejectsMalformedPaths) {
    std::u16string w;
    ASSERT_TRUE(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", w));
    EXPECT_EQ(w, u"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(w), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_FALSE(Utf8ToUtf16("a\xC3", w));         // cut sequence
    EXPECT_FALSE(Utf8ToUtf16("\xC0\xAF", w));      // overlong "/"
    EXPECT_FALSE(Utf8ToUtf16("\xED\xA0\x80", w));  // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16Lossy("a\xFFz"), u"a\uFFFDz");
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(Records, BothLayoutsReadAlike) {
    const uint64_t t = FileTimeFromUnix(1700000000, 500);
    EXPECT_EQ(UnixFromFileTime(t), 1700000000);
    for (bool device : {true, false}) {
        FileRecord r = device
                           ? FileRecord::Device(0x10, 0x100000005ull, 1, 2, t, "Dossier \xC3\xA9")
                           : FileRecord::Desktop(0x10, 0x100000005ull, 1, 2, t, "Dossier \xC3\xA9");
        EXPECT_EQ(r.RecordSize(), device ? 560u : 320u);
        EXPECT_TRUE(r.IsDirectory());
        EXPECT_EQ(r.SizeLow(), 5u);
        EXPECT_EQ(r.SizeHigh(), 1u);
        EXPECT_EQ(r.LastWriteTime(), t);
        EXPECT_EQ(r.CreationTime(), 1u);
        EXPECT_EQ(r.Name(), "Dossier \xC3\xA9");
        RecordList list({}, device);
        list.Append(r);
        list.Append(r);
        EXPECT_EQ(list.Count(), 2u);
        EXPECT_EQ(list.At(1).Name(), r.Name());
        EXPECT_FALSE(list.At(2).IsValid());
    }
    // A name field without a terminator stops at the field's end.
    std::vector<uint8_t> raw(560, 'A');
    FileRecord full(raw, true);
    EXPECT_EQ(full.NameUnits().size(), 260u);
    // A trailing partial record is dropped.
    raw.resize(560 + 100, 0);
    EXPECT_EQ(RecordList(raw, true).Count(), 1u);
}

}  // namespace hd::tools
