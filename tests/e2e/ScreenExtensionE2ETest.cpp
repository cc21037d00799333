// The extended screen encoding between every pair of ends: a desktop that
// offers it or never does, an agent that knows it or has it switched off
// (HANDREL_SCREEN_EXTENSION=0). hdlisten serves a private Xvfb; the test draws
// on it itself (a terminal that scrolls as lines are typed, a window that
// moves, the whole screen repainted) and after each sequence the desktop's
// image must equal the X server's own. Only a desktop that offered the
// extension to an agent that knows it gets extended packets; every other pair
// sees the plain packets only, read by the plain decoder.
// GoogleTest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"
#include "platform/XvfbServer.h"

namespace hd::test {
namespace {

namespace fs = std::filesystem;
constexpr int kW = 480, kH = 360;

struct Ends {
    bool desktopOffers;
    bool agentKnows;
};

class ScreenExtensionE2E : public ::testing::TestWithParam<Ends> {
protected:
    void SetUp() override {
        if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
        char name[] = "/tmp/hd-ext-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        if (d) XCloseDisplay(d);  // before the server goes
        server.reset();
        if (!dir.empty()) fs::remove_all(dir);
    }

    // Pixels that differ between the X server's root window and the
    // desktop's image (5 bits a channel, as the agent reads them).
    int Differing(const Desktop& desktop) {
        XImage* root = XGetImage(d, DefaultRootWindow(d), 0, 0, kW, kH, AllPlanes, ZPixmap);
        if (!root) return -1;
        const uint8_t* bmp = desktop.image.block;
        const uint32_t stride = (kW * 2 + 3) & ~3u;
        int differing = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const unsigned long p = XGetPixel(root, x, y);
                const uint16_t want =
                    uint16_t((p >> 19 & 0x1F) << 10 | (p >> 11 & 0x1F) << 5 | (p >> 3 & 0x1F));
                differing += get_le16(bmp + 54 + (kH - 1 - y) * stride + 2 * x) != want;
            }
        XDestroyImage(root);
        return differing;
    }
    // Reads updates until the desktop's image equals the screen.
    bool Converges(Desktop& desktop, int& differing) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
        for (;;) {
            if (desktop.image.used == int32_t(54 + kH * ((kW * 2 + 3) & ~3u)) &&
                (differing = Differing(desktop)) == 0)
                return true;
            if (std::chrono::steady_clock::now() > end) return false;
            desktop.Next(300);
        }
    }

    std::string dir;
    std::unique_ptr<XvfbServer> server;
    ::Display* d = nullptr;
};

TEST_P(ScreenExtensionE2E, TheDesktopImageFollowsEveryChange) {
    const Ends ends = GetParam();
    server = std::make_unique<XvfbServer>(std::to_string(kW) + "x" + std::to_string(kH) + "x24");
    ASSERT_TRUE(server->Started()) << server->Error();
    d = XOpenDisplay(server->Display().c_str());
    ASSERT_NE(d, nullptr);
    const Window root = DefaultRootWindow(d);
    XSetWindowAttributes at{};
    at.override_redirect = True;
    at.background_pixel = 0x204060;
    const Window term = XCreateWindow(d, root, 20, 30, 300, 200, 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &at);
    XMapRaised(d, term);
    GC gc = XCreateGC(d, term, 0, nullptr);
    auto line = [&](int n, int y) {
        XSetForeground(d, gc, 0x102030 + unsigned(n) * 0x0A0B07);
        XFillRectangle(d, term, gc, 0, y, 300, 14);
        XSetForeground(d, gc, 0xF0F0F0);
        const std::string text = "$ make line " + std::to_string(n) + " of the typing test";
        XDrawString(d, term, gc, 4 + n % 7, y + 11, text.c_str(), int(text.size()));
    };
    for (int n = 0; n < 14; ++n) line(n, n * 14);
    XSync(d, False);

    ListenerProcess::Env env{{"DISPLAY", server->Display()}};
    if (!ends.agentKnows) env.push_back({"HANDREL_SCREEN_EXTENSION", "0"});
    const uint16_t port = FreePort();
    ListenerProcess listener(env, {"--port", std::to_string(port), "--bind", "127.0.0.1",
                                   "--device", "x11", "--root", dir + "/root"});
    Desktop desktop;
    bool open = false;
    for (int i = 0; i < 100 && !open; ++i) {
        if (i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        open = desktop.Open(port, 0, ends.desktopOffers ? INIT_EXT_SCREEN : 0);
    }
    ASSERT_TRUE(open) << listener.Output();

    const std::vector<std::pair<const char*, std::function<void()>>> sequences = {
        {"the first image", [] {}},
        {"typing with scrolls",
         [&] {
             for (int n = 14; n < 34; ++n) {
                 XCopyArea(d, term, term, gc, 0, 14, 300, 186, 0, 0);
                 line(n, 182);
                 XSync(d, False);
                 std::this_thread::sleep_for(std::chrono::milliseconds(20));
             }
         }},
        {"a moving window",
         [&] {
             for (int step = 1; step <= 20; ++step) {
                 XMoveWindow(d, term, 20 + 7 * step, 30 + (step % 5) * 6);
                 XSync(d, False);
                 std::this_thread::sleep_for(std::chrono::milliseconds(20));
             }
         }},
        {"full-screen changes",
         [&] {
             GC rootGc = XCreateGC(d, root, 0, nullptr);
             XUnmapWindow(d, term);
             for (int k = 0; k < 4; ++k) {
                 for (int y = 0; y < kH; y += 8) {
                     XSetForeground(d, rootGc, unsigned(y * 0x010203 + k * 0x3F1F0F) & 0xFFFFFF);
                     XFillRectangle(d, root, rootGc, (k * 13) % 40, y, kW, 8);
                 }
                 XSync(d, False);
                 std::this_thread::sleep_for(std::chrono::milliseconds(40));
             }
             XFreeGC(d, rootGc);
         }},
    };
    for (const auto& [name, change] : sequences) {
        change();
        int differing = -1;
        EXPECT_TRUE(Converges(desktop, differing))
            << name << ": " << differing << " pixels differ\n"
            << listener.Output();
    }
    XFreeGC(d, gc);

    const int extended = desktop.updates[HC_EXTSCREEN];
    const int plain = desktop.updates[HC_FULLSCREEN] + desktop.updates[HC_DELTASCREEN];
    if (ends.desktopOffers && ends.agentKnows) {
        EXPECT_GT(extended, 3);
        // A plain full update may come first, before the command loop read the offer.
        EXPECT_LE(plain, 1);
    } else {
        EXPECT_EQ(extended, 0);
        EXPECT_GT(plain, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, ScreenExtensionE2E,
                         ::testing::Values(Ends{true, true}, Ends{true, false}, Ends{false, true},
                                           Ends{false, false}),
                         [](const auto& info) {
                             return std::string(info.param.desktopOffers ? "Offering" : "Plain") +
                                    "DesktopWith" +
                                    (info.param.agentKnows ? "CapableAgent" : "AgentSwitchedOff");
                         });

}  // namespace
}  // namespace hd::test
