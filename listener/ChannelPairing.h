// Turns the connections that reach the listening socket into one desktop's
// command and screen channel, so that a stranger cannot wedge the listener.
// Every connection is accepted as it comes (refused at once when the allow
// list says so), read without blocking, and kept only for a bounded wait:
// a desktop's command channel sends its preamble (and HC_INIT, or nothing
// more until its screen channel runs), its screen channel then comes from
// the same address and sends its preamble and the refresh interval. A
// connection whose first byte after the preamble is anything but HC_INIT is
// a screen channel; it pairs with the latest earlier connection from its
// address that sent its preamble. Whatever is left half-done expires and is
// closed. Nothing but the preamble byte is consumed. Runs on the listener's main
// thread inside ConnectionAcceptor::Start and logs under ConnectionAcceptor's tag ("CM::").
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "listener/PeerAllowList.h"

namespace hd {

class ChannelPairing {
public:
    enum class Outcome { Paired, Idle, Failed };
    struct Pair {
        int commandFd = -1;
        int screenFd = -1;
        uint8_t preamble = 0;  // the screen channel's, which wins
    };

    // waitMs bounds every preamble wait and the wait for the second channel.
    ChannelPairing(const PeerAllowList& allow, int waitMs) : m_allow(allow), m_waitMs(waitMs) {}
    ~ChannelPairing() { CloseAll(); }
    ChannelPairing(const ChannelPairing&) = delete;
    ChannelPairing& operator=(const ChannelPairing&) = delete;

    // Serves listenFd until a pair is complete (its descriptors are the
    // caller's then), idleMs pass with nothing pending (Idle), or accepting
    // fails or a stop is requested (Failed). Whatever is still pending is
    // closed before it returns.
    Outcome Run(int listenFd, int idleMs, const std::atomic<bool>& stop, Pair& pair);

    // Most connections kept at once while none has completed; the oldest
    // goes first, so a flood cannot starve a real desktop.
    static constexpr size_t kMaxPending = 16;

private:
    using Clock = std::chrono::steady_clock;
    // Kind: the preamble is read and nothing after it yet.
    enum class Stage { Preamble, Kind, Command, Screen };
    struct Pending {
        int fd;
        in_addr peer;
        uint64_t order;  // accept order
        Stage stage;
        uint8_t preamble;
        Clock::time_point deadline;
    };

    bool AcceptOne(int listenFd);
    bool Advance(Pending& p);
    bool FindPair(Pair& pair);
    void ExpireStale();
    // The index of the latest connection accepted before p from p's address
    // that sent its preamble; m_pending.size() when there is none.
    size_t LatestReadyBefore(const Pending& p) const;
    void Drop(size_t index);
    void CloseAll();

    const PeerAllowList& m_allow;
    const int m_waitMs;
    std::vector<Pending> m_pending;
    uint64_t m_accepted = 0;
};

}  // namespace hd
