// A loopback relay between the desktop and hdlisten that can fail the way a
// network fails: it forwards both ways until told to drop everything
// silently (a cut cable, a dropped route) or to reset every connection (a
// machine that rebooted answers the next packet with a reset). Runs a thread
// of its own; owned by one test, which it outlives by nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace hd::test {

class FaultyLink {
public:
    explicit FaultyLink(uint16_t target);
    ~FaultyLink();
    FaultyLink(const FaultyLink&) = delete;
    FaultyLink& operator=(const FaultyLink&) = delete;

    uint16_t Port() const { return m_port; }
    // From now on nothing passes; every socket stays open.
    void Drop() { m_dropping = true; }
    // Resets both ends of every connection.
    void Reset() { m_resetting = true; }
    // Connections whose desktop end has not closed yet.
    int OpenDesktopEnds();

private:
    struct Link {
        int desktop;
        int device;
        bool desktopClosed;
    };
    void Run();
    void Accept();
    void ResetAll();

    const uint16_t m_target;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::atomic<bool> m_dropping{false};
    std::atomic<bool> m_resetting{false};
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<Link> m_links;
    std::thread m_thread;
};

}  // namespace hd::test
