#include "listener/ConnectionAcceptor.h"

#include "common/Log.h"
#include "listener/ChannelPairing.h"

namespace hd {

namespace {
// A peer that fails its preamble at once must not turn the retries into a busy loop.
constexpr int kRetryPauseMs = 200;
}  // namespace

ConnectionAcceptor::ConnectionAcceptor(uint16_t port, std::string bindAddr,
                                       AgentHost::Settings agent, PeerAllowList allow,
                                       int handshakeWaitMs)
    : m_agentHost(std::move(agent)),
      m_port(port),
      m_bindAddr(std::move(bindAddr)),
      m_allow(std::move(allow)),
      m_handshakeWaitMs(handshakeWaitMs) {}

int ConnectionAcceptor::ApplyPreamble(uint8_t preamble) {
    int sensitivity = preamble;
    if (preamble & 0x80) {
        log::SetEnabled(true);
        sensitivity = preamble & 0x7F;
    }
    SocketStream::SetSensitivity(sensitivity);
    return sensitivity;
}

void ConnectionAcceptor::Interrupt() {
    m_stop.store(true);
    m_stopEvent.Set();
    // The flag is set first: a socket made after this point is checked
    // against it before anything blocks on it.
    m_listen.Shutdown();
    m_input.Shutdown();
    m_screen.Shutdown();
}

void ConnectionAcceptor::CloseSockets() {
    m_input.Close();
    m_screen.Close();
    m_listen.Close();
}

void ConnectionAcceptor::Stop() {
    CloseSockets();
    m_agentHost.Unload();
}

ConnectionAcceptor::Attempt ConnectionAcceptor::Failed(const char* message) {
    // A failure caused by Interrupt's shutdown is the stop, not an error.
    if (StopRequested()) return Attempt::Fail;
    if (*message) log::Forced("%s", message);
    return Attempt::Retry;
}

ConnectionAcceptor::Attempt ConnectionAcceptor::AcceptChannels(uint8_t& preamble) {
    // The agent's later reads wait the long read wait until the preamble says otherwise.
    SocketStream::SetSensitivity(2);
    ChannelPairing pairing(m_allow, m_handshakeWaitMs);
    ChannelPairing::Pair pair;
    for (;;) {
        if (!m_listen.Listen(m_port, m_bindAddr.c_str())) {
            log::Forced("CM::Start:Error creating listener connection, exiting");
            return Attempt::Fail;
        }
        if (StopRequested()) return Attempt::Fail;
        log::Log("CM::Start:Before 1st accept");
        const auto outcome =
            pairing.Run(m_listen.Socket(), kFirstAcceptSeconds * 1000, m_stop, pair);
        if (outcome == ChannelPairing::Outcome::Paired) break;
        // A failed accept was logged where it happened.
        if (outcome == ChannelPairing::Outcome::Failed) return Failed("");
        log::Log("CM::Start:Timeout waiting for 1st accept, resetting listener and trying again");
        m_listen.Close();
    }
    m_input.Attach(pair.commandFd, SocketStream::ACCEPTED);
    m_screen.Attach(pair.screenFd, SocketStream::ACCEPTED);
    preamble = pair.preamble;
    // A stop that came while the pair completed: nothing is handed on.
    return StopRequested() ? Attempt::Fail : Attempt::Connected;
}

bool ConnectionAcceptor::Start() {
    uint8_t preamble = 0;
    for (;;) {
        const Attempt a = AcceptChannels(preamble);
        if (a == Attempt::Connected) break;
        // Nothing of a failed attempt is kept; the agent is not called for it.
        CloseSockets();
        if (a == Attempt::Fail || StopRequested()) return false;
        m_stopEvent.Wait(kRetryPauseMs);
    }
    // No third connection while the channels run.
    m_listen.Close();
    const int sensitivity = ApplyPreamble(preamble);
    log::Log("CM::Start:Accepted conns, Sensitivity=%d, Before DLL load", sensitivity);
    if (!m_agentHost.Load()) {
        log::Forced("CM::Start:Error loading hdagent DLL");
        return false;
    }
    log::Log("CM::Start:returning");
    return true;
}

}  // namespace hd
