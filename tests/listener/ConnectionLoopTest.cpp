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

// Strangers from the desktop's own address: one that sent only its preamble,
// one that sent nothing, one that posed as a command channel and stopped.
// The desktop that comes next, with or without HC_INIT on its command
// channel, is paired at once, each channel with its own entry point, and the
// strangers are closed.
TEST_F(ConnectionLoopTest, StrangersCannotWedgeTheHandshake) {
    constexpr int kWaitMs = 2000;
    log::SetEnabled(true);
    ConnectionAcceptor cm(port, "127.0.0.1", Agent(), {}, kWaitMs);
    ConnectionLoop wm(cm, kScreenWaitMs);
    auto run = std::async(std::launch::async, [&] { return wm.Run(); });
    for (const bool init : {true, false}) {
        SCOPED_TRACE(init ? "with HC_INIT" : "without HC_INIT");
        // The listen backlog is 1: the desktop comes once the strangers are
        // taken, or its connect may wait out a dropped handshake.
        const int accepted = log.Count("SC::Accept:Accepted");
        Peer preambleOnly, silent, halfCommand;
        ASSERT_TRUE(preambleOnly.Connect(port));
        ASSERT_TRUE(preambleOnly.Send({0}));
        ASSERT_TRUE(silent.Connect(port));
        ASSERT_TRUE(halfCommand.Connect(port));
        ASSERT_TRUE(halfCommand.Send({0, HC_INIT}));
        ASSERT_TRUE(WaitFor([&] { return log.Count("SC::Accept:Accepted") == accepted + 3; }));

        const auto begin = std::chrono::steady_clock::now();
        Peer cmd, screen;
        Open(cmd, screen, 0, 0, init);
        EXPECT_EQ(cmd.ReadByte(kWaitMs), 'I');
        EXPECT_EQ(screen.ReadByte(kWaitMs), 'S');
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(kWaitMs / 2));
        for (Peer* stranger : {&preambleOnly, &silent, &halfCommand})
            EXPECT_TRUE(stranger->WaitClosed(500));
        ASSERT_TRUE(cmd.Send({0}));  // the fake agent's command loop ends on any byte
        EXPECT_TRUE(cmd.WaitClosed(kScreenWaitMs + 2000));
    }
    cm.Interrupt();
    ASSERT_EQ(run.wait_for(3s), std::future_status::ready);
}

// Whoever the allow list leaves out is closed before a byte is read, and the
// half-open stranger of an allowed address expires after the bounded wait.
TEST_F(ConnectionLoopTest, RefusedAndStalePeersAreClosed) {
    PeerAllowList allow;
    ASSERT_TRUE(allow.Add("10.9.0.0/16"));
    {
        ConnectionAcceptor cm(port, "127.0.0.1", Agent(), allow, 200);
        auto started = std::async(std::launch::async, [&] { return cm.Start(); });
        Peer refused;
        ASSERT_TRUE(refused.Connect(port));
        EXPECT_TRUE(refused.WaitClosed(1000));
        EXPECT_TRUE(
            log.HasForced("CM::Start:Refused connection from 127.0.0.1, not in the allow list"));
        cm.Interrupt();
        ASSERT_EQ(started.wait_for(3s), std::future_status::ready);
        EXPECT_FALSE(started.get());
    }
    ASSERT_TRUE(allow.Add("127.0.0.0/8"));
    ConnectionAcceptor cm(port, "127.0.0.1", Agent(), allow, 200);
    auto started = std::async(std::launch::async, [&] { return cm.Start(); });
    Peer stale;
    ASSERT_TRUE(stale.Connect(port));
    ASSERT_TRUE(stale.Send({0}));
    EXPECT_TRUE(stale.WaitClosed(1500));
    EXPECT_TRUE(
        log.HasForced("CM::Start:Incomplete connection from 127.0.0.1 closed after 200 ms"));
    Peer cmd, screen;
    Open(cmd, screen);
    ASSERT_EQ(started.wait_for(3s), std::future_status::ready);
    EXPECT_TRUE(started.get());
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
