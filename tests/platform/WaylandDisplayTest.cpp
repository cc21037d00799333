// The Wayland display on a private headless sway: the sender's image of the
// output equals the client's drawing and grim's copy of it, a new output
// size gives a full update, and damage wakes the sender long before its poll.
#include <gtest/gtest.h>

#include "agent/platform/wayland/WaylandDisplay.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "agent/screen/ScreenSender.h"
#include "common/Codes.h"
#include "platform/DamageWakeCheck.h"
#include "platform/SwayServer.h"
#include "platform/XvfbServer.h"
#include "support/FakeStream.h"

namespace hd::platform {
namespace {

using test::SwayServer;
using test::TestClient;

uint16_t To555(uint32_t r, uint32_t g, uint32_t b) {
    return uint16_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

uint16_t ImagePixel(const GrowBuffer& image, int width, int height, int x, int y) {
    const uint32_t stride = (uint32_t(width) * 2 + 3) & ~3u;
    uint16_t v;
    std::memcpy(&v, image.block + 54 + size_t(height - 1 - y) * stride + 2 * size_t(x), 2);
    return v;
}

// The first pixel where the sender's image differs from grim's, or "".
std::string MismatchWithGrim(const GrowBuffer& image, const test::GrimImage& grim) {
    const uint32_t stride = (uint32_t(grim.width) * 2 + 3) & ~3u;
    if (image.used != int32_t(54 + stride * uint32_t(grim.height))) return "wrong image size";
    for (int y = 0; y < grim.height; ++y)
        for (int x = 0; x < grim.width; ++x) {
            const uint8_t* p = &grim.rgb[(size_t(y) * size_t(grim.width) + size_t(x)) * 3];
            const uint16_t want = To555(p[0], p[1], p[2]);
            const uint16_t got = ImagePixel(image, grim.width, grim.height, x, y);
            if (got != want)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                       std::to_string(got) + ", grim has " + std::to_string(want);
        }
    return "";
}

TestClient::Program Client(const SwayServer& sway) {
    return {WAYLAND_TEST_CLIENT, sway.ClientEnv()};
}

TEST(WaylandDisplay, TheSendersImageIsTheClientsDrawingAndGrims) {
    if (!test::HaveSway()) GTEST_SKIP() << test::kNoSway;
    SwayServer sway("640x480");
    ASSERT_TRUE(sway.Started()) << sway.Error();
    TestClient drawing(
        Client(sway),
        {"--fill", "0,0,640,480,202020", "--fill", "10,20,50,40,FF0000", "--fill",
         "70,30,30,90,00FF00", "--fill", "100,100,60,60,84C6E7", "--fill", "633,477,7,3,FFFFFF"});
    // Tiled, the window fills the output.
    ASSERT_FALSE(drawing.WaitLine("configured 640 480", 5000).empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the compositor's frame

    auto display = WaylandDisplay::Open(sway.Socket().c_str(), false);
    ASSERT_TRUE(display);
    EXPECT_EQ(display->Width(), 640);
    EXPECT_EQ(display->Height(), 480);
    ScreenSender sender(*display);
    ASSERT_EQ(sender.BuildDelta(), HC_FULLSCREEN);
    test::GrimImage grim;
    ASSERT_EQ(test::GrimCapture(sway, grim), "");
    EXPECT_EQ(MismatchWithGrim(sender.Reference(), grim), "");
    // Spots of the drawing itself, so that grim and we cannot agree on nonsense.
    EXPECT_EQ(ImagePixel(sender.Reference(), 640, 480, 15, 25), To555(0xFF, 0, 0));
    EXPECT_EQ(ImagePixel(sender.Reference(), 640, 480, 120, 120), To555(0x84, 0xC6, 0xE7));
    EXPECT_EQ(ImagePixel(sender.Reference(), 640, 480, 639, 479), To555(0xFF, 0xFF, 0xFF));

    // A change: a partial update covering it and little else.
    ASSERT_TRUE(drawing.Send("fill 300 200 20 10 FFFF00"));
    ASSERT_FALSE(drawing.WaitLine("drawn", 3000).empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the compositor's frame
    ASSERT_EQ(sender.BuildDelta(), HC_DELTASCREEN);
    EXPECT_LT(sender.Delta().used, 1000);
    EXPECT_EQ(ImagePixel(sender.Reference(), 640, 480, 305, 205), To555(0xFF, 0xFF, 0));
    EXPECT_EQ(sender.BuildDelta(), 0) << "nothing changed since";

    // A new output size: a full update of the new size.
    ASSERT_TRUE(sway.Command("output * mode 800x600"));
    bool resized = false;
    for (int i = 0; i < 50 && !resized; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        resized = sender.BuildDelta() == HC_FULLSCREEN;
    }
    EXPECT_TRUE(resized);
    EXPECT_EQ(display->Width(), 800);
    EXPECT_EQ(display->Height(), 600);
}

TEST(WaylandDisplay, DamageWakesTheSenderLongBeforeItsPoll) {
    if (!test::HaveSway()) GTEST_SKIP() << test::kNoSway;
    SwayServer sway("320x240");
    ASSERT_TRUE(sway.Started()) << sway.Error();
    TestClient drawing(Client(sway), {"--fill", "0,0,320,240,000080"});
    ASSERT_FALSE(drawing.WaitLine("configured 320 240", 5000).empty());
    auto display = WaylandDisplay::Open(sway.Socket().c_str());
    ASSERT_TRUE(display);
    ASSERT_TRUE(display->WatchesDamage());

    test::ExpectDamageWakesTheSender(*display,
                                     [&] { return drawing.Send("fill 10 10 30 30 FF8000"); });
}

TEST(WaylandDisplay, ACompositorThatIsNotThereIsNotOpened) {
    test::LogCapture logs;
    EXPECT_EQ(WaylandDisplay::Open("/nonexistent/wayland-9"), nullptr);
    EXPECT_TRUE(logs.HasForced(
        "WC::Open:WD cannot connect to the Wayland display \"/nonexistent/wayland-9\""));
}

}  // namespace
}  // namespace hd::platform
