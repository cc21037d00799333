#include "common/SocketStream.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/FakeStream.h"

namespace hd::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point t) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// A connected pair over loopback: client (desktop end) and server (accepted).
class SocketStreamTest : public ::testing::Test {
protected:
    void SetUp() override { SocketStream::SetReadWaitOverrideMs(kWaitMs); }
    void TearDown() override {
        SocketStream::SetReadWaitOverrideMs(0);
        SocketStream::SetSendTimeoutMs(10000);
        log::SetEnabled(false);
    }
    void Pair() {
        ASSERT_TRUE(listener.Listen(0, "127.0.0.1"));
        ASSERT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
        ASSERT_EQ(listener.Accept(server, 1), 0);
    }
    bool Send(SocketStream& sc, std::vector<uint8_t> bytes) {
        uint32_t n = 0;
        return sc.Write(bytes.data(), uint32_t(bytes.size()), &n) == S_OK;
    }

    static constexpr int kWaitMs = 100;
    LogCapture log;
    SocketStream listener, client, server;
};

TEST_F(SocketStreamTest, ReadReturnsWholeCountsTimeOutsAndFailures) {
    Pair();
    uint8_t buf[4] = {};
    uint32_t got = 99;
    // 0 bytes: done at once, nothing touched.
    EXPECT_EQ(server.Read(buf, 0, &got), S_OK);
    EXPECT_EQ(got, 0u);

    // Nothing within one wait: a time-out that consumes nothing.
    auto t = Clock::now();
    EXPECT_EQ(server.Read(buf, 1, &got), E_READ_TIMEOUT);
    EXPECT_GE(MsSince(t), kWaitMs - 10);

    // Part of the data, then more than a whole wait of silence: keeps waiting.
    auto writer = std::async(std::launch::async, [&] {
        Send(client, {1, 2});
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * kWaitMs));
        Send(client, {3, 4});
    });
    EXPECT_EQ(server.Read(buf, 4, &got), S_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
    writer.get();

    // The peer closes in order: a failure at once, not after the read wait.
    SocketStream::SetReadWaitOverrideMs(5000);
    Send(client, {5});
    client.Close();
    t = Clock::now();
    EXPECT_EQ(server.Read(buf, 2, &got), E_FAIL);
    EXPECT_LT(MsSince(t), 1000);
}

TEST_F(SocketStreamTest, ClosedObjectFailsAtOnce) {
    // poll ignores a descriptor of -1; the read must not turn into time-outs
    // that a full read would wait on for ever.
    SocketStream closed;
    uint8_t b = 0;
    uint32_t got = 0;
    EXPECT_EQ(closed.Read(&b, 0, &got), S_OK);
    auto t = Clock::now();
    EXPECT_EQ(closed.Read(&b, 1, &got), E_FAIL);
    EXPECT_LT(MsSince(t), kWaitMs);
    EXPECT_NE(closed.Write(&b, 1, &got), S_OK);
}

TEST_F(SocketStreamTest, WriteToAPeerThatStoppedReadingGivesUp) {
    SocketStream::SetSendTimeoutMs(50);  // applies to sockets made from now on
    Pair();
    const uint32_t size = 64u << 20;
    std::vector<uint8_t> big(size, 0x5A);
    uint32_t written = 0;
    auto t = Clock::now();
    EXPECT_EQ(server.Write(big.data(), size, &written), E_FAIL);
    EXPECT_LT(MsSince(t), 2000);
    EXPECT_EQ(written, size);  // stored at once, whatever happens next
    EXPECT_TRUE(log.HasForced("(max timeout reached) [WSAEWOULDBLOCK]"));
    // The count in the message is what was not sent.
    EXPECT_TRUE(log.HasForced("SC::Write:error sending "));
    EXPECT_FALSE(log.HasForced("SC::Write:error sending " + std::to_string(size) + " "));
    EXPECT_FALSE(log.HasForced("SC::Write:error sending 0 "));
}

TEST_F(SocketStreamTest, AcceptOnlyOnAListeningObject) {
    log::SetEnabled(true);
    SocketStream notListening, target;
    EXPECT_EQ(notListening.Accept(target, 1), 1);
    EXPECT_FALSE(log.Has("SC::"));
    ASSERT_TRUE(listener.Listen(0, "127.0.0.1"));
    EXPECT_EQ(listener.Accept(target, 1), 2);  // nobody connects: timed out
}

TEST_F(SocketStreamTest, ConnectTakesDottedTextAsAnAddressAndTheRestAsNames) {
    ASSERT_TRUE(listener.Listen(0, "127.0.0.1"));
    const uint16_t port = listener.LocalPort();
    // "127.1" is not a dotted quad; name resolution still understands it.
    for (const char* host : {"127.0.0.1", "localhost", "127.1"}) {
        EXPECT_TRUE(client.Connect(host, port)) << host;
        EXPECT_EQ(client.SocketState(), SocketStream::CONNECTED);
        SocketStream accepted;
        EXPECT_EQ(listener.Accept(accepted, 1), 0) << host;
    }
    EXPECT_FALSE(client.Connect("", port));
    EXPECT_TRUE(log.HasForced("SC::Connect:Error recolving host name/IP"));
    listener.Close();
    EXPECT_FALSE(client.Connect("127.0.0.1", port));
    EXPECT_TRUE(log.HasForced("SC::Connect:Error connecting socket"));
    EXPECT_EQ(client.Socket(), -1);
}

TEST_F(SocketStreamTest, SocketErrorsCarryTheirNames) {
    EXPECT_EQ(SocketStream::ErrorName(EINVAL), " [WSAEINVAL]");
    EXPECT_EQ(SocketStream::ErrorName(EWOULDBLOCK), " [WSAEWOULDBLOCK]");
    EXPECT_EQ(SocketStream::ErrorName(EADDRINUSE), " [WSAEADDRINUSE]");
    EXPECT_EQ(SocketStream::ErrorName(ECONNREFUSED), " [WSAECONNREFUSED]");
    EXPECT_EQ(SocketStream::ErrorName(EPIPE), " [unknown error " + std::to_string(EPIPE) + "]");
    SocketStream::LogSocketError("SC::Test:message", ETIMEDOUT);
    EXPECT_TRUE(log.HasForced("SC::Test:message [WSAETIMEDOUT]"));
}

TEST_F(SocketStreamTest, ShutdownFromAnotherThreadEndsBlockedCalls) {
    Pair();
    SocketStream::SetReadWaitOverrideMs(5000);
    auto reader = std::async(std::launch::async, [&] {
        uint8_t b;
        uint32_t got;
        return server.Read(&b, 1, &got);
    });
    SocketStream target;
    auto acceptor = std::async(std::launch::async, [&] { return listener.Accept(target, 0); });
    std::this_thread::sleep_for(50ms);  // let both block
    server.Shutdown();
    listener.Shutdown();
    ASSERT_EQ(reader.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(reader.get(), E_FAIL);
    ASSERT_EQ(acceptor.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(acceptor.get(), 1);
}

TEST_F(SocketStreamTest, ShutdownRacesWithCloseAndListen) {
    // For the ThreadSanitizer build: Shutdown from another thread while the
    // owner closes and makes new sockets must never touch a stale descriptor.
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!done.load()) listener.Shutdown();
    });
    int listened = 0;
    for (int i = 0; i < 200; ++i) {
        listened += listener.Listen(0, "127.0.0.1");
        listener.Close();
    }
    done.store(true);
    stopper.join();
    EXPECT_EQ(listened, 200);
}

TEST_F(SocketStreamTest, ListensAgainOnThePortRightAfterAConnection) {
    Pair();
    const uint16_t port = listener.LocalPort();
    uint8_t b = 7;
    uint32_t n;
    ASSERT_EQ(server.Write(&b, 1, &n), S_OK);
    // The listener's side closes first, so its end of the connection lingers.
    server.Close();
    listener.Close();
    EXPECT_TRUE(listener.Listen(port, "127.0.0.1"));
}

}  // namespace
}  // namespace hd::test
