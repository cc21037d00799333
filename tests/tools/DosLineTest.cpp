// The DOS console's line parsing and argument resolution on plain strings.
#include <gtest/gtest.h>

#include "desktop/tools/dos/DosFormat.h"
#include "desktop/tools/dos/DosLine.h"

namespace hd::tools::dos {
namespace {

TEST(DosLine, TheCommandLineIsWhatFollowsAPromptsFirstGreaterThan) {
    EXPECT_EQ(CommandLineOf("1:\\>  dir *.txt \t"), "dir *.txt");
    EXPECT_EQ(CommandLineOf("C:\\tmp\\>copy a>b"), "copy a>b");
    EXPECT_EQ(CommandLineOf("1:\\>"), "");
    EXPECT_EQ(CommandLineOf("dir"), "");        // no prompt on the line
    EXPECT_EQ(CommandLineOf("ab:\\>dir"), "");  // first ':' not second
    EXPECT_EQ(CommandLineOf("Directory of 1:\\"), "");
}

TEST(DosLine, TheWordEndsAtTheFirstSpaceDotOrBackslash) {
    struct Case {
        const char *line, *word, *argument;
    } cases[] = {
        {"cd..", "cd", ".."},
        {"cd\\Windows", "cd", "\\Windows"},
        {"dir *.txt", "dir", "*.txt"},
        {"cd.\\x y", "cd", ".\\x y"},
        {"copy a.txt   b.txt ", "copy", "a.txt   b.txt"},
        {"cd\\a.b", "cd", "\\a.b"},
        {".profile", ".profile", ""},  // a dot at 0 does not split
        {"DIR", "DIR", ""},
        {"c:\\temp", "c:", "\\temp"},
    };
    for (const Case& c : cases) {
        const Split s = SplitCommand(c.line);
        EXPECT_EQ(s.word, c.word) << c.line;
        EXPECT_EQ(s.argument, c.argument) << c.line;
    }
}

TEST(DosLine, ArgumentsResolveAgainstTheCurrentAndRememberedDirectories) {
    const auto remembered = [](char d) {
        return d == 'd' || d == 'D' ? std::string("D:\\data\\") : DriveKey(d) + "\\";
    };
    const std::string cur = "1:\\Docs\\Old\\";
    EXPECT_EQ(Resolve("", cur, remembered), cur);
    EXPECT_EQ(Resolve(".", cur, remembered), cur);
    EXPECT_EQ(Resolve("..", cur, remembered), "1:\\Docs\\");
    EXPECT_EQ(Resolve("..", "1:\\", remembered), "1:\\");
    EXPECT_EQ(Resolve("\\x.txt", cur, remembered), "1:\\x.txt");
    EXPECT_EQ(Resolve("C:\\tmp\\*.c", cur, remembered), "C:\\tmp\\*.c");
    EXPECT_EQ(Resolve("d:", cur, remembered), "D:\\data\\");
    EXPECT_EQ(Resolve("d:a.txt", cur, remembered), "D:\\data\\a.txt");
    EXPECT_EQ(Resolve("e:", cur, remembered), "E:\\");
    EXPECT_EQ(Resolve("a*.txt", cur, remembered), "1:\\Docs\\Old\\a*.txt");
}

TEST(DosFormat, FileTimesBecomeCalendarFieldsAndTheTwelveHourMarker) {
    const Calendar epoch = CalendarOf(0);
    EXPECT_EQ(epoch.year, 1601);
    EXPECT_EQ(epoch.month, 1);
    EXPECT_EQ(epoch.day, 1);
    // 2000-02-29 13:45:07 UTC: (951831907 s since 1970 + 11644473600) * 10^7.
    const Calendar leap = CalendarOf((951831907ull + 11644473600ull) * 10000000ull);
    EXPECT_EQ(leap.year, 2000);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.hour, 13);
    EXPECT_EQ(leap.minute, 45);
    EXPECT_EQ(leap.second, 7);

    struct Case {
        int h, m, s, shown;
        char marker;
    } cases[] = {{0, 0, 0, 0, 'a'},   {11, 59, 59, 11, 'a'}, {12, 0, 0, 12, 'a'},
                 {12, 0, 1, 0, 'p'},  {12, 30, 0, 0, 'p'},   {13, 0, 0, 1, 'p'},
                 {23, 59, 0, 11, 'p'}};
    for (const Case& c : cases) {
        Calendar t;
        t.hour = c.h;
        t.minute = c.m;
        t.second = c.s;
        int hour;
        char marker;
        TwelveHour(t, hour, marker);
        EXPECT_EQ(hour, c.shown) << c.h << ":" << c.m << ":" << c.s;
        EXPECT_EQ(marker, c.marker) << c.h << ":" << c.m << ":" << c.s;
    }
}

}  // namespace
}  // namespace hd::tools::dos
