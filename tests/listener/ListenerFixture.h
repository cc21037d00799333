// Shared set-up of the in-process listener tests: a free loopback port, log
// capture, a short socket read wait (so a silent peer cannot hold a test), and
// the desktop's side of the connection handshake against the fake agent.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "common/Codes.h"
#include "common/Log.h"
#include "common/SocketStream.h"
#include "listener/AgentHost.h"
#include "listener/Peer.h"
#include "support/FakeStream.h"

namespace hd::test {

inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        log::SetEnabled(false);
        SocketStream::SetSensitivity(0);
        SocketStream::SetReadWaitOverrideMs(kReadWaitMs);
    }
    void TearDown() override {
        SocketStream::SetReadWaitOverrideMs(0);
        SocketStream::SetSensitivity(0);
        log::SetEnabled(false);
    }

    AgentHost::Settings Agent(const char* library = FAKE_AGENT) const {
        return {"virtual", "/tmp", library};
    }

    // The desktop's opening: command channel, its preamble and the first
    // byte of HC_INIT (or the preamble alone), then the screen channel, its
    // preamble and the refresh interval.
    void Open(Peer& cmd, Peer& screen, uint8_t cmdPreamble = 0, uint8_t screenPreamble = 0,
              bool init = true) {
        ASSERT_TRUE(cmd.Connect(port));
        ASSERT_TRUE(init ? cmd.Send({cmdPreamble, HC_INIT}) : cmd.Send({cmdPreamble}));
        ASSERT_TRUE(screen.Connect(port));
        ASSERT_TRUE(screen.Send({screenPreamble, 0, 0, 0, 0}));
    }

    static constexpr int kReadWaitMs = 1000;
    LogCapture log;
    const uint16_t port = FreePort();
};

}  // namespace hd::test
