// ConnectionAcceptor (log tag "CM"), the connection manager: listens, pairs the desktop's command
// and screen channel (ChannelPairing: bounded waits, same peer, allow list), takes their preamble
// byte and loads the agent for the connection. Runs on the main thread; Interrupt() is the one call
// made from another thread (the signal thread). Owned by the composition root. It never hands a
// channel to the agent when its accept or preamble failed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "common/Event.h"
#include "common/SocketStream.h"
#include "listener/AgentHost.h"
#include "listener/PeerAllowList.h"

namespace hd {

class ConnectionAcceptor {
public:
    // handshakeWaitMs bounds every preamble wait and the wait for the screen
    // channel; allow (empty: everyone) is checked before a byte is read.
    ConnectionAcceptor(uint16_t port, std::string bindAddr, AgentHost::Settings agent,
                       PeerAllowList allow = {}, int handshakeWaitMs = kHandshakeWaitMs);
    ~ConnectionAcceptor() { Stop(); }
    ConnectionAcceptor(const ConnectionAcceptor&) = delete;
    ConnectionAcceptor& operator=(const ConnectionAcceptor&) = delete;

    // True when both channels are connected and the agent is loaded; false
    // when the listener cannot listen, the agent cannot be loaded or a stop
    // was requested. Failed connection attempts are retried inside.
    bool Start();
    // Closes the three sockets and unloads the agent. The agent's entry
    // points must have returned.
    void Stop();

    // Makes every wait of Start and of the running agent return (any thread).
    void Interrupt();
    bool StopRequested() const { return m_stop.load(); }

    // The agent's entry points over their channels (Start must have succeeded).
    void RunInvoke() { m_agentHost.CallInvoke(&m_input); }
    void RunScreen() { m_agentHost.CallScreen(&m_screen); }
    // Makes HdScreen's blocked call return, so its thread can be joined.
    void ShutdownScreen() { m_screen.Shutdown(); }

    // Bit 7 of a preamble byte turns logging on for good; the low 7 bits are
    // the connection sensitivity, which is stored and returned.
    static int ApplyPreamble(uint8_t preamble);

    // How long the first accept waits before the listener is made anew.
    static constexpr int kFirstAcceptSeconds = 7;
    // Long enough for a desktop that opens its channels through ssh.
    static constexpr int kHandshakeWaitMs = 5000;

private:
    enum class Attempt { Connected, Retry, Fail };
    Attempt AcceptChannels(uint8_t& preamble);
    Attempt Failed(const char* message);
    void CloseSockets();

    // Members in the order the connection uses them.
    SocketStream m_input;
    SocketStream m_screen;
    SocketStream m_listen;
    AgentHost m_agentHost;

    const uint16_t m_port;
    const std::string m_bindAddr;
    const PeerAllowList m_allow;
    const int m_handshakeWaitMs;
    std::atomic<bool> m_stop{false};
    Event m_stopEvent{true};
};

}  // namespace hd
