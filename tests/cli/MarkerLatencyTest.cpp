#include "desktop/cli/MarkerLatency.h"

#include <gtest/gtest.h>

namespace hd::cli {
namespace {

TEST(MarkerLatency, ParsesTheWatchArguments) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        int x, y;
    };
    const Case cases[] = {
        {{"5"}, true, 0, 0},
        {{"5", "--marker", "1900,1060", "--marker-log", "/tmp/m"}, true, 1900, 1060},
        {{"5", "--marker-log", "/tmp/m", "--marker", "3,4"}, true, 3, 4},
        {{"0"}, false, 0, 0},
        {{"5", "--marker", "3,4"}, false, 0, 0},         // no log
        {{"5", "--marker-log", "/tmp/m"}, false, 0, 0},  // no marker
        {{"5", "--marker", "3;4", "--marker-log", "m"}, false, 0, 0},
        {{"5", "--marker", "-3,4", "--marker-log", "m"}, false, 0, 0},
        {{"5", "--marker"}, false, 0, 0},
        {{"5", "--frames", "2"}, false, 0, 0},
    };
    for (const Case& c : cases) {
        WatchOptions o;
        const std::string error = ParseWatch(c.args, o);
        EXPECT_EQ(error.empty(), c.ok) << c.args.size() << " " << error;
        if (c.ok) {
            EXPECT_EQ(o.seconds, 5);
            EXPECT_EQ(o.x, c.x);
            EXPECT_EQ(o.y, c.y);
        }
    }
}

TEST(MarkerLatency, AnswersEachMarkWithTheFirstChangeAfterIt) {
    const std::vector<double> marks = ReadMarks(
        "MARK 10.5 red 10.501\nnoise\nMARK 11.5 blue 11.5\nMARK 12.5 red 12.5\n"
        "MARK 13.5 blue 13.5\nMARK 20.0 red 20.0\n");
    ASSERT_EQ(marks.size(), 5u);
    // 10.5 -> 10.504 (4 ms); 11.5 -> 11.530 (30 ms; the change before it does
    // not count); 12.5 unanswered within a second; 13.5 -> 13.510; 20.0 is
    // past the window.
    const std::vector<double> changes = {10.504, 11.2, 11.530, 13.510, 14.9};
    const LatencySummary s = MeasureLatency(marks, changes, 10.0, 19.0);
    EXPECT_EQ(s.marks, 3);
    EXPECT_EQ(s.missed, 1);
    EXPECT_NEAR(s.medianMs, 10.0, 0.01);
    EXPECT_NEAR(s.maxMs, 30.0, 0.01);
    EXPECT_EQ(LatencyLine(s), "latency marks 3  missed 1  median_ms 10.0  max_ms 30.0");
    EXPECT_EQ(LatencyLine(MeasureLatency(marks, {}, 10.0, 19.0)), "latency marks 0  missed 4");
}

}  // namespace
}  // namespace hd::cli
