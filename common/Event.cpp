#include "common/Event.h"

#include <chrono>

namespace hd {

void Event::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    if (m_manual)
        m_cv.notify_all();
    else
        m_cv.notify_one();
}

void Event::Reset() {
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool Event::Wait(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    auto ready = [this] { return m_set; };
    if (timeoutMs < 0)
        m_cv.wait(lock, ready);
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return false;
    if (!m_manual) m_set = false;
    return true;
}

}  // namespace hd
