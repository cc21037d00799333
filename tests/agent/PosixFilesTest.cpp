// The POSIX file backend: Windows wildcard matching, device paths, name
// conversion, case-insensitive lookup and what the entries report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "agent/FileServiceWire.h"
#include "agent/platform/FileNames.h"
#include "agent/platform/PosixFiles.h"
#include "agent/platform/Wildcard.h"

namespace hd::platform {
namespace {

using test::TempFolders;
using test::WriteFile;
namespace fs = std::filesystem;

struct WildcardCase {
    const char32_t* pattern;
    const char32_t* name;
    bool matches;
};

class Wildcards : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(Wildcards, MatchAsWindowsDoes) {
    const auto& c = GetParam();
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches);
}

// "Pattern_vs_name_matches": letters and digits kept, anything else spelt
// as its code point, so every case has a stable, readable name.
std::string WildcardCaseName(const ::testing::TestParamInfo<WildcardCase>& info) {
    auto spell = [](const char32_t* text) {
        std::string out;
        for (; *text; ++text) {
            const char32_t c = *text;
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
                out += char(c);
            else if (c == '*')
                out += "Star";
            else if (c == '?')
                out += "Any";
            else if (c == '.')
                out += "Dot";
            else
                out += "U" + std::to_string(uint32_t(c));
        }
        return out.empty() ? std::string("Empty") : out;
    };
    return spell(info.param.pattern) + "_" + spell(info.param.name) +
           (info.param.matches ? "_matches" : "_differs");
}

INSTANTIATE_TEST_SUITE_P(
    Table, Wildcards,
    ::testing::Values(
        // "*.*" is every name, with or without a dot.
        WildcardCase{U"*.*", U"readme.txt", true}, WildcardCase{U"*.*", U"Makefile", true},
        WildcardCase{U"*.*", U".", true}, WildcardCase{U"*.*", U"..", true},
        WildcardCase{U"*.*", U"a.b.c", true}, WildcardCase{U"*", U"anything.at.all", true},
        WildcardCase{U"*.txt", U"a.txt", true}, WildcardCase{U"*.txt", U"NOTES.TXT", true},
        WildcardCase{U"*.txt", U"x.y.txt", true}, WildcardCase{U"*.txt", U".txt", true},
        WildcardCase{U"*.txt", U"txt", false}, WildcardCase{U"*.txt", U"a.txt.bak", false},
        WildcardCase{U"*.txt", U"a.txtx", false},
        // '?' is one character; at a dot or the end it may be none.
        WildcardCase{U"a?c", U"abc", true}, WildcardCase{U"a?c", U"AbC", true},
        WildcardCase{U"a?c", U"ac", false}, WildcardCase{U"a?c", U"abbc", false},
        WildcardCase{U"a?c", U"a.c", false}, WildcardCase{U"abc?", U"abc", true},
        WildcardCase{U"a??.txt", U"ab.txt", true},
        // "*." is names without a dot; "name.*" also matches "name".
        WildcardCase{U"*.", U"Makefile", true}, WildcardCase{U"*.", U"a.b", false},
        WildcardCase{U"name.*", U"name", true}, WildcardCase{U"name.*", U"name.c", true},
        WildcardCase{U"name.*", U"names", false},
        // No wildcard: the name itself in any letter case, nothing else.
        WildcardCase{U"Docs", U"docs", true}, WildcardCase{U"Docs", U"docs2", false},
        WildcardCase{U"\u00c9t\u00e9", U"\u00e9T\u00c9", true},
        WildcardCase{U"\u0416*", U"\u0436\u0443\u043a", true}),
    WildcardCaseName);

TEST(DevicePaths, SplitIntoElements) {
    std::vector<std::string> e;
    EXPECT_EQ(SplitDevicePath(u"\\My Documents\\a.txt", e), PathResult::Ok);
    EXPECT_EQ(e, (std::vector<std::string>{"My Documents", "a.txt"}));
    EXPECT_EQ(SplitDevicePath(u"\\\\a\\.\\b\\", e), PathResult::Ok);  // "." and empty: here
    EXPECT_EQ(e, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitDevicePath(u"/etc/passwd", e), PathResult::Ok);  // both separators, below "\"
    EXPECT_EQ(e, (std::vector<std::string>{"etc", "passwd"}));
    EXPECT_EQ(SplitDevicePath(u"\\\u00e9\U0001F642", e), PathResult::Ok);
    EXPECT_EQ(e, (std::vector<std::string>{"\xC3\xA9\xF0\x9F\x99\x82"}));
    EXPECT_EQ(SplitDevicePath(u"", e), PathResult::Ok);
    EXPECT_TRUE(e.empty());
    EXPECT_EQ(SplitDevicePath(u"..\\..\\etc\\passwd", e), PathResult::Escapes);
    EXPECT_EQ(SplitDevicePath(u"\\a\\..\\b", e), PathResult::Escapes);
    EXPECT_EQ(SplitDevicePath(u"\\a\xDC00", e), PathResult::Invalid);   // lone low surrogate
    EXPECT_EQ(SplitDevicePath(u"\\a\xD800z", e), PathResult::Invalid);  // unpaired high one
    EXPECT_EQ(SplitDevicePath(std::u16string(u"\\a\0b", 4), e), PathResult::Invalid);
}

TEST(FileNames, StrictUtf8) {
    std::u32string out;
    EXPECT_TRUE(Utf8ToUtf32("\xF0\x9F\x99\x82", out));
    EXPECT_EQ(out, U"\U0001F642");
    for (const char* bad : {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(Utf8ToUtf32(bad, out)) << bad;
    EXPECT_EQ(Utf16ToLogText(u"ab\xD800\U0001F642", 100), "ab?\xF0\x9F\x99\x82");
    EXPECT_EQ(Utf16ToLogText(std::u16string(150, u'x'), 100).size(), 100u);
}

TEST(Attributes, FromModeAndOwner) {
    const Credentials user{1000, 1000, {27}};
    EXPECT_EQ(AttributesFor(S_IFDIR | 0755, 1000, 1000, "d", user), kAttrDirectory);
    EXPECT_EQ(AttributesFor(S_IFREG | 0644, 1000, 1000, "f", user), kAttrArchive);
    EXPECT_EQ(AttributesFor(S_IFREG | 0444, 1000, 1000, "f", user), kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(AttributesFor(S_IFREG | 0664, 0, 27, "f", user), kAttrArchive);  // by a group
    EXPECT_EQ(AttributesFor(S_IFREG | 0644, 0, 0, "f", user), kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(AttributesFor(S_IFREG | 0444, 1000, 1000, "f", Credentials{}), kAttrArchive);  // root
    EXPECT_EQ(AttributesFor(S_IFREG | 0644, 1000, 1000, ".profile", user),
              kAttrArchive | kAttrHidden);
    EXPECT_EQ(AttributesFor(S_IFDIR | 0755, 1000, 1000, "..", user), kAttrDirectory);
}

TEST(FileTimes, CountFrom1601) {
    EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000u);
    EXPECT_EQ(FileTimeFromUnix(1, 250), 116444736010000002u);
    EXPECT_EQ(FileTimeFromUnix(-11644473601, 0), 0u);
}

std::vector<FindData> List(Files& files, std::u16string_view pattern) {
    std::vector<FindData> out;
    files.Find(pattern, [&](const FindData& e) {
        out.push_back(e);
        return true;
    });
    return out;
}

std::set<std::u16string> Names(const std::vector<FindData>& entries) {
    std::set<std::u16string> names;
    for (auto& e : entries) names.insert(e.name);
    return names;
}

TEST(PosixFiles, LooksNamesUpIgnoringCase) {
    TempFolders dirs;
    PosixFiles files(dirs.root);
    fs::create_directory(dirs.root + "/Docs");
    WriteFile(dirs.root + "/Docs/ReadMe.TXT", "hi");

    auto in = files.OpenForReading(u"\\DOCS\\readme.txt");
    ASSERT_TRUE(in);
    uint8_t buf[8];
    EXPECT_EQ(in->Read(buf, sizeof buf), 2);
    // Writing through another letter case replaces the file; no twin appears.
    auto out = files.CreateAlways(u"\\docs\\README.txt");
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Write(reinterpret_cast<const uint8_t*>("new"), 3), 3);
    out.reset();
    EXPECT_EQ(Names(List(files, u"\\docs\\*")),
              (std::set<std::u16string>{u".", u"..", u"ReadMe.TXT"}));
    EXPECT_EQ(test::ReadFile(dirs.root + "/Docs/ReadMe.TXT"), "new");
    EXPECT_FALSE(files.CreateDirectory(u"\\DOCS"));
    EXPECT_EQ(files.LastError(), EEXIST);
    EXPECT_FALSE(files.OpenForReading(u"\\..\\outside\\secret.txt"));
    EXPECT_EQ(files.LastError(), EACCES);
}

// Whole writes reach their name complete or not at all: a replaced file keeps
// its permissions, a read-only one is refused untouched, and no temporary
// name is ever left in the folder.
TEST(PosixFiles, WholeWritesReplaceAtomically) {
    TempFolders dirs;
    PosixFiles files(dirs.root);
    WriteFile(dirs.root + "/Notes.txt", "old");
    ::chmod((dirs.root + "/Notes.txt").c_str(), 0640);
    const auto bytes = reinterpret_cast<const uint8_t*>("new text");
    EXPECT_EQ(files.WriteWhole(u"\\NOTES.TXT", bytes, 8), WholeWrite::Done);
    EXPECT_EQ(test::ReadFile(dirs.root + "/Notes.txt"), "new text");
    struct stat st;
    ASSERT_EQ(::stat((dirs.root + "/Notes.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(files.WriteWhole(u"\\Empty.txt", bytes, 0), WholeWrite::Done);
    EXPECT_EQ(test::ReadFile(dirs.root + "/Empty.txt"), "");
    if (::geteuid() != 0) {  // root writes read-only files anyway
        ::chmod((dirs.root + "/Notes.txt").c_str(), 0440);
        EXPECT_EQ(files.WriteWhole(u"\\Notes.txt", bytes, 3), WholeWrite::NotCreated);
        EXPECT_EQ(files.LastError(), EACCES);
        EXPECT_FALSE(files.CopyFile(u"\\Empty.txt", u"\\Notes.txt", false));
        EXPECT_EQ(test::ReadFile(dirs.root + "/Notes.txt"), "new text");
    }
    EXPECT_TRUE(files.CopyFile(u"\\Notes.txt", u"\\Copy.txt", true));
    EXPECT_FALSE(files.CopyFile(u"\\Empty.txt", u"\\copy.TXT", true));
    EXPECT_EQ(files.LastError(), EEXIST);
    EXPECT_TRUE(files.CopyFile(u"\\Empty.txt", u"\\copy.TXT", false));
    EXPECT_EQ(test::ReadFile(dirs.root + "/Copy.txt"), "");
    EXPECT_EQ(Names(List(files, u"\\*")),
              (std::set<std::u16string>{u".", u"..", u"Notes.txt", u"Empty.txt", u"Copy.txt"}));
}

TEST(PosixFiles, NamesThatAreNotUtf8AreSkipped) {
    TempFolders dirs;
    PosixFiles files(dirs.root);
    WriteFile(dirs.root + "/\xFF\xFE.bin", "x");
    WriteFile(dirs.root + "/ok.txt", "x");
    EXPECT_EQ(Names(List(files, u"\\*.*")), (std::set<std::u16string>{u".", u"..", u"ok.txt"}));
    EXPECT_FALSE(files.Find(u"\\*.bin", [](const FindData&) { return true; }));
}

TEST(PosixFiles, EntriesReportTheirStatus) {
    TempFolders dirs;
    PosixFiles files(dirs.root);
    fs::create_directory(dirs.root + "/sub");
    WriteFile(dirs.root + "/old.txt", "12345");
    // Last written long ago, created now.
    const timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dirs.root + "/old.txt").c_str(), times, 0), 0);

    auto entries = List(files, u"\\*");
    std::map<std::u16string, FindData> by;
    for (auto& e : entries) by[e.name] = e;
    ASSERT_EQ(by.size(), 4u);
    const FindData& old = by[u"old.txt"];
    EXPECT_EQ(old.size, 5u);
    EXPECT_EQ(old.lastWriteTime, FileTimeFromUnix(1000000000, 500));
    EXPECT_EQ(old.lastAccessTime, FileTimeFromUnix(1000000000, 0));
    struct statx sx;
    ASSERT_EQ(::statx(AT_FDCWD, (dirs.root + "/old.txt").c_str(), 0, STATX_BTIME | STATX_INO, &sx),
              0);
    if (sx.stx_mask & STATX_BTIME)
        EXPECT_EQ(old.creationTime, FileTimeFromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec));
    else
        EXPECT_EQ(old.creationTime, old.lastWriteTime);
    EXPECT_EQ(old.oid, uint32_t(sx.stx_ino ^ (sx.stx_ino >> 32)));

    // Seen from the root, ".." is the root itself: nothing outside is described.
    struct stat root;
    ASSERT_EQ(::stat(dirs.root.c_str(), &root), 0);
    EXPECT_EQ(by[u".."].oid, uint32_t(root.st_ino ^ (uint64_t(root.st_ino) >> 32)));
    EXPECT_EQ(by[u"."].oid, by[u".."].oid);
    EXPECT_EQ(by[u"sub"].attributes, kAttrDirectory);
}

TEST(PosixFiles, AMissingRootFailsEveryCallUntilItAppears) {
    TempFolders dirs;
    const std::string later = dirs.base + "/later";
    PosixFiles files(later);
    EXPECT_FALSE(files.Find(u"\\*", [](const FindData&) { return true; }));
    EXPECT_FALSE(files.CreateAlways(u"\\x"));
    fs::create_directory(later);
    EXPECT_TRUE(files.CreateDirectory(u"\\made"));
    EXPECT_TRUE(fs::is_directory(later + "/made"));
}

}  // namespace
}  // namespace hd::platform
