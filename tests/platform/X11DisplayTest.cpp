// The X11 display under Xvfb: the sender's image of the screen equals what a
// real client drew, through MIT-SHM and XGetImage, at 16 and 24 bits, and the
// DAMAGE watcher wakes the sender long before its poll.
// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "agent/platform/x11/X11Display.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "agent/screen/FrameReader.h"
#include "agent/screen/ScreenSender.h"
#include "common/Codes.h"
#include "platform/DamageWakeCheck.h"
#include "platform/XvfbServer.h"
#include "support/FakeStream.h"

namespace hd::platform {
namespace {

using test::TestClient;
using test::XvfbServer;

struct Rect {
    int x, y, w, h;
    uint32_t rgb;
};

uint16_t To555(uint32_t rgb) {
    return uint16_t((rgb >> 19 & 0x1F) << 10 | (rgb >> 11 & 0x1F) << 5 | (rgb >> 3 & 0x1F));
}

std::vector<std::string> FillArgs(const std::vector<Rect>& rects) {
    std::vector<std::string> args;
    for (const Rect& r : rects) {
        char text[64];
        std::snprintf(text, sizeof text, "%d,%d,%d,%d,%06X", r.x, r.y, r.w, r.h, r.rgb);
        args.insert(args.end(), {"--fill", text});
    }
    return args;
}

// The first pixel (x, y from the top) where the BMP image differs from the
// rectangles painted in order, or "" when none does.
std::string Mismatch(const GrowBuffer& image, int width, int height,
                     const std::vector<Rect>& rects) {
    const uint32_t stride = (uint32_t(width) * 2 + 3) & ~3u;
    if (image.used != int32_t(54 + stride * uint32_t(height))) return "wrong image size";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = 0;
            for (const Rect& r : rects)
                if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) rgb = r.rgb;
            uint16_t got;
            std::memcpy(&got, image.block + 54 + size_t(height - 1 - y) * stride + 2 * x, 2);
            if (got != To555(rgb))
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                       std::to_string(got) + ", drawn " + std::to_string(To555(rgb));
        }
    return "";
}

class X11Capture : public ::testing::TestWithParam<const char*> {};

TEST_P(X11Capture, TheSendersImageIsTheClientsDrawing) {
    if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
    XvfbServer server(GetParam());
    ASSERT_TRUE(server.Started()) << server.Error();
    int width = 0, height = 0, depth = 0;
    std::sscanf(GetParam(), "%dx%dx%d", &width, &height, &depth);
    std::vector<Rect> rects = {
        {0, 0, width, height, 0x202020}, {10, 20, 50, 40, 0xFF0000},
        {70, 30, 30, 90, 0x00FF00},      {5, 200, 200, 50, 0x0000FF},
        {100, 100, 60, 60, 0x84C6E7},    {width - 7, height - 3, 7, 3, 0xFFFFFF}};
    TestClient drawing(server.Display(), [&] {
        auto a = FillArgs(rects);
        a.insert(a.begin(), "--override");
        return a;
    }());
    ASSERT_NE(drawing.WaitReady(), 0u);

    for (const bool shm : {true, false}) {
        SCOPED_TRACE(shm ? "MIT-SHM" : "XGetImage");
        auto display = X11Display::Open(server.Display().c_str(), {shm, false});
        ASSERT_TRUE(display);
        EXPECT_EQ(display->UsesShm(), shm);
        EXPECT_EQ(display->Width(), width);
        EXPECT_EQ(display->Height(), height);
        // Only a 5-6-5 screen is display memory the frame-buffer reader takes.
        FrameReader reader(*display);
        EXPECT_EQ(reader.Open(), depth == 16);

        ScreenSender sender(*display);
        ASSERT_EQ(sender.BuildDelta(), HC_FULLSCREEN);
        EXPECT_EQ(Mismatch(sender.Reference(), width, height, rects), "");

        // A change: a partial update covering it and little else.
        const Rect change{30 + (shm ? 0 : 40), 40, 20, 10, shm ? 0xFFFF00u : 0x00FFFFu};
        ASSERT_TRUE(drawing.Send("fill " + std::to_string(change.x) + " 40 20 10 " +
                                 (shm ? "FFFF00" : "00FFFF")));
        ASSERT_FALSE(drawing.WaitLine("drawn", 3000).empty());
        rects.push_back(change);
        ASSERT_EQ(sender.BuildDelta(), HC_DELTASCREEN);
        EXPECT_LT(sender.Delta().used, 1000);
        EXPECT_EQ(Mismatch(sender.Reference(), width, height, rects), "");
        EXPECT_EQ(sender.BuildDelta(), 0) << "nothing changed since";
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, X11Capture, ::testing::Values("240x320x16", "1920x1080x24"),
                         [](const auto& info) { return std::string(info.param); });

// The same drawing, captured whole by one display and through the damaged
// rows by another, makes the same updates.
TEST_P(X11Capture, DamagedRowsGiveTheUpdatesOfAWholeCapture) {
    if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
    XvfbServer server(GetParam());
    ASSERT_TRUE(server.Started()) << server.Error();
    TestClient drawing(server.Display(), {"--override", "--fill", "0,0,240,320,102030"});
    ASSERT_NE(drawing.WaitReady(), 0u);
    auto whole = X11Display::Open(server.Display().c_str(), {true, false});
    auto damaged = X11Display::Open(server.Display().c_str(), {true, true});
    ASSERT_TRUE(whole && damaged && damaged->WatchesDamage());
    ScreenSender wholeSender(*whole);
    ScreenSender damagedSender(*damaged, ScreenSender::Timing{50, 5, 50, 2000, 3600000});
    ASSERT_EQ(wholeSender.BuildDelta(), HC_FULLSCREEN);
    ASSERT_EQ(damagedSender.BuildDelta(), HC_FULLSCREEN);
    const char* fills[] = {"fill 10 10 1 1 FFFFFF", "fill 0 0 240 2 FF0000",
                           "fill 200 300 40 20 00FF00", "fill 5 100 3 3 0000FF",
                           "fill 5 100 3 3 0000FF"};
    for (const char* fill : fills) {
        SCOPED_TRACE(fill);
        ASSERT_TRUE(drawing.Send(fill));
        ASSERT_FALSE(drawing.WaitLine("drawn", 3000).empty());
        const uint8_t command = wholeSender.BuildDelta();
        EXPECT_EQ(damagedSender.BuildDelta(), command);
        std::vector<platform::Rect> areas;
        EXPECT_TRUE(damaged->TakeDamage(areas)) << "the rows were grabbed by damage";
        EXPECT_FALSE(areas.empty());
        if (command) {
            EXPECT_EQ(
                std::vector<uint8_t>(damagedSender.Delta().block,
                                     damagedSender.Delta().block + damagedSender.Delta().used),
                std::vector<uint8_t>(wholeSender.Delta().block,
                                     wholeSender.Delta().block + wholeSender.Delta().used));
        }
    }
    EXPECT_EQ(0, std::memcmp(damagedSender.Reference().block, wholeSender.Reference().block,
                             size_t(wholeSender.Reference().used)));
}

TEST(X11Display, DamageWakesTheSenderLongBeforeItsPoll) {
    if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
    XvfbServer server("240x320x16");
    ASSERT_TRUE(server.Started()) << server.Error();
    TestClient drawing(server.Display(), {"--override", "--fill", "0,0,240,320,000080"});
    ASSERT_NE(drawing.WaitReady(), 0u);
    auto display = X11Display::Open(server.Display().c_str());
    ASSERT_TRUE(display);
    ASSERT_TRUE(display->WatchesDamage());

    test::ExpectDamageWakesTheSender(*display,
                                     [&] { return drawing.Send("fill 10 10 30 30 FF8000"); });
}

TEST(X11Display, ADisplayThatIsNotThereIsNotOpened) {
    test::LogCapture logs;
    EXPECT_EQ(X11Display::Open(":98765"), nullptr);
    EXPECT_TRUE(logs.HasForced("XC::Open:XD cannot open the X display \":98765\""));
}

}  // namespace
}  // namespace hd::platform
