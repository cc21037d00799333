// Wayland windows on a private headless sway: the client's toplevels are
// listed with their titles and processes, activation brings one to the
// front, the close request closes it; and the window-to-process match.
#include <gtest/gtest.h>

#include "agent/platform/wayland/WaylandTasks.h"

#include <chrono>
#include <thread>

#include "platform/SwayServer.h"
#include "platform/XvfbServer.h"

namespace hd::platform {
namespace {

using test::SwayServer;
using test::TestClient;

TEST(WaylandTasks, AWindowBelongsToTheOnlyProcessNamedForItsAppId) {
    const std::vector<ProcessEntry> processes = {{0, 10, 1, 1, 0, "foot"},
                                                 {0, 30, 1, 1, 0, "Foot"},
                                                 {0, 20, 1, 1, 0, "firefox-esr"},
                                                 {0, 40, 1, 1, 0, "kiosk"}};
    const struct {
        const char* appId;
        uint32_t pid;
    } cases[] = {{"foot", 0},   {"org.example.foot", 0}, {"org.example.kiosk", 40},
                 {"KIOSK", 40}, {"kiosk.", 0},           {"firefox", 0},
                 {"", 0},       {"nothing", 0},          {"firefox-esr", 20}};
    for (const auto& c : cases)
        EXPECT_EQ(WaylandTasks::PidForAppId(c.appId, processes), c.pid) << c.appId;
}

TEST(WaylandTasks, WindowsAreListedActivatedAndClosed) {
    if (!test::HaveSway()) GTEST_SKIP() << test::kNoSway;
    SwayServer sway("320x240");
    ASSERT_TRUE(sway.Started()) << sway.Error();
    TestClient alpha({WAYLAND_TEST_CLIENT, sway.ClientEnv()}, {"--title", "Alpha"});
    ASSERT_FALSE(alpha.WaitLine("ready", 5000).empty());
    TestClient beta({WAYLAND_TEST_CLIENT, sway.ClientEnv()}, {"--title", "Beta Ünïcode"});
    ASSERT_FALSE(beta.WaitLine("ready", 5000).empty());

    WaylandTasks tasks(WaylandConnection::Open(sway.Socket().c_str(), "WT"));
    std::vector<WindowEntry> windows;
    // Until the compositor has told both states (the newest window is active).
    auto front = [&](const std::string& title) {
        for (int i = 0; i < 100; ++i) {
            tasks.Windows(windows);
            if (windows.size() == 2 && windows[0].title == title) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    ASSERT_TRUE(front("Beta Ünïcode")) << windows.size();
    EXPECT_EQ(windows[1].title, "Alpha");
    for (const WindowEntry& w : windows) {
        EXPECT_TRUE(w.visible);
        EXPECT_NE(w.handle, 0u);
        // Both clients are the same program: neither window is pinned on a guess.
        EXPECT_EQ(w.pid, 0u);
    }

    tasks.Activate(windows[1].handle);
    EXPECT_TRUE(front("Alpha"));

    const uint32_t betaHandle =
        windows[0].title == "Beta Ünïcode" ? windows[0].handle : windows[1].handle;
    tasks.PostClose(betaHandle);
    EXPECT_EQ(beta.WaitLine("close", 3000), "close");
    EXPECT_TRUE(beta.WaitExit(3000));
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        tasks.Windows(windows);
        gone = windows.size() == 1 && windows[0].title == "Alpha";
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(gone);
}

}  // namespace
}  // namespace hd::platform
