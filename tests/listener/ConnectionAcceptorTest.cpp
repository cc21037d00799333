#include "listener/ConnectionAcceptor.h"

#include <future>

#include "listener/ListenerFixture.h"

namespace hd::test {
namespace {

using namespace std::chrono_literals;

class ConnectionAcceptorTest : public ListenerTest {
protected:
    static constexpr int kShortHandshakeMs = 300;
};

TEST_F(ConnectionAcceptorTest, ScreenPreambleDecidesAndLoggingStaysOn) {
    ConnectionAcceptor cm(port, "127.0.0.1", Agent());
    {
        auto started = std::async(std::launch::async, [&] { return cm.Start(); });
        Peer cmd, screen;
        // The command channel's byte is dropped; the screen channel's 0x82 wins.
        Open(cmd, screen, 0x01, 0x82);
        ASSERT_EQ(started.wait_for(3s), std::future_status::ready);
        EXPECT_TRUE(started.get());
        EXPECT_EQ(SocketStream::Sensitivity(), 2);
        EXPECT_TRUE(log::Enabled());
        EXPECT_TRUE(log.Has("CM::Start:Accepted conns, Sensitivity=2, Before DLL load"));
        // The listening socket is closed while the channels run.
        Peer third;
        EXPECT_FALSE(third.Connect(port, 0));
        cm.Stop();
        EXPECT_TRUE(cmd.WaitClosed(1000));
        EXPECT_TRUE(screen.WaitClosed(1000));
    }
    // 0x00 on a later connection: sensitivity 0, logging left on.
    auto started = std::async(std::launch::async, [&] { return cm.Start(); });
    Peer cmd, screen;
    Open(cmd, screen, 0x00, 0x00);
    ASSERT_EQ(started.wait_for(3s), std::future_status::ready);
    EXPECT_TRUE(started.get());
    EXPECT_EQ(SocketStream::Sensitivity(), 0);
    EXPECT_TRUE(log::Enabled());
}

TEST_F(ConnectionAcceptorTest, FailedAttemptsAreClosedAndListenedForAgain) {
    ConnectionAcceptor cm(port, "127.0.0.1", Agent(), {}, kShortHandshakeMs);
    auto started = std::async(std::launch::async, [&] { return cm.Start(); });

    Peer silent;  // connects and closes before its preamble
    ASSERT_TRUE(silent.Connect(port));
    silent.Close();
    ASSERT_TRUE(WaitFor([&] { return log.HasForced("CM::Start:Error reading sensitivity"); }));

    Peer cmd1, screen1;  // the screen channel goes away before its preamble
    ASSERT_TRUE(cmd1.Connect(port));
    ASSERT_TRUE(cmd1.Send({0, HC_INIT}));
    ASSERT_TRUE(screen1.Connect(port));
    screen1.Close();
    ASSERT_TRUE(WaitFor([&] { return log.HasForced("CM::Start:Error reading 2nd sensitivity"); }));
    EXPECT_TRUE(cmd1.WaitClosed(1000)) << "the failed attempt's command channel stays open";
    EXPECT_NE(started.wait_for(0s), std::future_status::ready);

    Peer cmd, screen;
    Open(cmd, screen);
    ASSERT_EQ(started.wait_for(3s), std::future_status::ready);
    EXPECT_TRUE(started.get());
}

TEST_F(ConnectionAcceptorTest, InterruptEndsEveryWait) {
    log::SetEnabled(true);
    {  // the first accept, which would otherwise wait 7 s
        ConnectionAcceptor cm(port, "127.0.0.1", Agent());
        auto started = std::async(std::launch::async, [&] { return cm.Start(); });
        ASSERT_TRUE(WaitFor([&] { return log.Has("CM::Start:Before 1st accept"); }));
        cm.Interrupt();
        ASSERT_EQ(started.wait_for(1s), std::future_status::ready);
        EXPECT_FALSE(started.get());
    }
    // The second accept, which waits without limit.
    ConnectionAcceptor cm(port, "127.0.0.1", Agent());
    auto started = std::async(std::launch::async, [&] { return cm.Start(); });
    Peer cmd;
    ASSERT_TRUE(cmd.Connect(port));
    ASSERT_TRUE(cmd.Send({0, HC_INIT}));
    ASSERT_TRUE(WaitFor([&] { return log.Has("CM::Start:Before 2nd accept"); }));
    cm.Interrupt();
    ASSERT_EQ(started.wait_for(1s), std::future_status::ready);
    EXPECT_FALSE(started.get());
    EXPECT_TRUE(cm.StopRequested());
    // A stop is not an accept error.
    EXPECT_FALSE(log.Has("CM::Start:Error accepting Screen socket"));
}

TEST_F(ConnectionAcceptorTest, MissingAgentEndsStart) {
    ConnectionAcceptor cm(port, "127.0.0.1", Agent("/nonexistent/libhdagent.so"));
    auto started = std::async(std::launch::async, [&] { return cm.Start(); });
    Peer cmd, screen;
    Open(cmd, screen);
    ASSERT_EQ(started.wait_for(3s), std::future_status::ready);
    EXPECT_FALSE(started.get());
    EXPECT_TRUE(log.HasForced("HCS::Load:Error loading hdagent.dll"));
    EXPECT_TRUE(log.HasForced("CM::Start:Error loading hdagent DLL"));
}

TEST_F(ConnectionAcceptorTest, PortInUseEndsStart) {
    SocketStream other;
    ASSERT_TRUE(other.Listen(port, "127.0.0.1"));
    ConnectionAcceptor cm(port, "127.0.0.1", Agent());
    EXPECT_FALSE(cm.Start());
    EXPECT_TRUE(log.HasForced("SC::Connect:Could not bind socket"));
    EXPECT_TRUE(log.HasForced("CM::Start:Error creating listener connection, exiting"));
}

}  // namespace
}  // namespace hd::test
