#include "listener/ConnectionLoop.h"

#include <future>

#include "listener/ListenerFixture.h"

namespace hd::test {
namespace {

using namespace std::chrono_literals;

class ConnectionLoopTest : public ListenerTest {
protected:
    // Short, so the screen thread that does not end by itself costs little.
    static constexpr int kScreenWaitMs = 200;
};

TEST_F(ConnectionLoopTest, ConnectionsRunOneAfterAnotherUntilInterrupted) {
    log::SetEnabled(true);
    ConnectionAcceptor cm(port, "127.0.0.1", Agent());
    ConnectionLoop wm(cm, kScreenWaitMs);
    auto run = std::async(std::launch::async, [&] { return wm.Run(); });

    {  // both entry points end by themselves
        Peer cmd, screen;
        Open(cmd, screen);
        EXPECT_EQ(cmd.ReadByte(2000), 'I');  // HdInvoke got the command channel
        EXPECT_EQ(screen.ReadByte(2000), 'S');
        ASSERT_TRUE(cmd.Send({0}));
        ASSERT_TRUE(screen.Send({'Q'}));
        EXPECT_EQ(screen.ReadByte(2000), 0);
        EXPECT_TRUE(screen.WaitClosed(2000));
        EXPECT_TRUE(cmd.WaitClosed(2000));
        EXPECT_FALSE(log.Has("WM:Screen thread still running"));
    }
    {  // HdScreen stays blocked in a read: its socket is shut down, then it is joined
        Peer cmd, screen;
        Open(cmd, screen);
        EXPECT_EQ(screen.ReadByte(2000), 'S');
        ASSERT_TRUE(cmd.Send({0}));
        EXPECT_TRUE(screen.WaitClosed(kScreenWaitMs + 2000));
        EXPECT_TRUE(log.Has("WM:Screen thread still running, shutting its socket down"));
    }
    {  // a stop request in the middle of a connection
        Peer cmd, screen;
        Open(cmd, screen);
        EXPECT_EQ(screen.ReadByte(2000), 'S');
        cm.Interrupt();
        ASSERT_EQ(run.wait_for(3s), std::future_status::ready);
        EXPECT_TRUE(run.get());
        EXPECT_TRUE(cmd.WaitClosed(1000));
        EXPECT_TRUE(screen.WaitClosed(1000));
    }
    EXPECT_TRUE(log.HasForced("WM:Stop requested, exiting main loop"));
}

TEST_F(ConnectionLoopTest, AFailedStartEndsTheLoopAsAFailure) {
    ConnectionAcceptor cm(port, "127.0.0.1", Agent(FAKE_AGENT_NO_ENTRY));
    ConnectionLoop wm(cm, kScreenWaitMs);
    auto run = std::async(std::launch::async, [&] { return wm.Run(); });
    Peer cmd, screen;
    Open(cmd, screen);
    ASSERT_EQ(run.wait_for(3s), std::future_status::ready);
    EXPECT_FALSE(run.get());
    EXPECT_STREQ(wm.ExitReason(), "WM:Start returned false, exiting main loop");
    EXPECT_TRUE(log.HasForced("WM:Start returned false, exiting main loop"));
    EXPECT_TRUE(cmd.WaitClosed(1000));
}

}  // namespace
}  // namespace hd::test
