// A Windows-style event for hand-offs between threads: auto-reset (one waiter
// released, then cleared) or manual-reset (stays set until Reset).
#pragma once

#include <condition_variable>
#include <mutex>

namespace hd {

class Event {
public:
    explicit Event(bool manualReset, bool initiallySet = false)
        : m_manual(manualReset), m_set(initiallySet) {}
    void Set();
    void Reset();
    // Waits up to timeoutMs (negative: without limit); true when signalled.
    bool Wait(int timeoutMs);
    bool IsSet() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_manual;
    bool m_set;
};

}  // namespace hd
