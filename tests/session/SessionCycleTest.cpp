// The whole session over the local link, connected and disconnected while
// frames arrive: each cycle paints, each user Disconnect ends both threads
// without being taken for a lost device. Also the ThreadSanitizer run's
// main check of the receiver, the command channel and the link together.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "common/SocketStream.h"
#include "desktop/session/Session.h"
#include "session/SessionFakes.h"

namespace hd::desktop {
namespace {

struct CountingView : ScreenView {
    void FrameReady(const uint8_t*, size_t length) override {
        std::lock_guard l(mutex);
        ++frames;
        lastLength = length;
        arrived.notify_all();
    }
    bool WaitFrames(int n, int ms) {
        std::unique_lock l(mutex);
        return arrived.wait_for(l, std::chrono::milliseconds(ms), [&] { return frames >= n; });
    }
    std::mutex mutex;
    std::condition_variable arrived;
    int frames = 0;
    size_t lastLength = 0;
};

TEST(SessionCycle, ConnectAndDisconnectWhileFramesArrive) {
    const auto root =
        std::filesystem::temp_directory_path() / ("hd-cycle-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    {
        test::MemorySettings settings;  // the local link
        test::RecordingUi ui;
        Session session(settings, ui, {"virtual", root.string(), HD_AGENT_LIBRARY});
        session.Manager().SetEndPauseMs(0);
        for (int cycle = 0; cycle < 5; ++cycle) {
            CountingView view;
            ASSERT_TRUE(session.Connect(&view)) << "cycle " << cycle;
            ASSERT_TRUE(session.Command().SendAppButton(uint8_t(0xC1 + cycle % 4)));
            EXPECT_TRUE(view.WaitFrames(2, 5000)) << "cycle " << cycle;
            EXPECT_GT(view.lastLength, 54u);
            session.Disconnect();
            EXPECT_FALSE(session.Connected());
            EXPECT_FALSE(session.Receiver().Running());
            EXPECT_EQ(session.Manager().LinkCount(), 0);
        }
        EXPECT_EQ(ui.disconnectRequests, 0) << "a user Disconnect was taken for a lost device";
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    }
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace hd::desktop
