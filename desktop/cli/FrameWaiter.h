// The command line's screen view: counts frames, notes when the latest one
// arrived and lets the main thread wait for the first or the next one.
// FrameReady runs on the receiver thread and only signals.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "desktop/cli/Command.h"
#include "desktop/session/ScreenReceiver.h"

namespace hd::cli {

class FrameWaiter : public desktop::ScreenView {
public:
    void FrameReady(const uint8_t*, size_t) override {
        std::lock_guard l(m_mutex);
        ++m_frames;
        m_arrival = std::chrono::steady_clock::now();
        m_cv.notify_all();
    }
    bool WaitFirst(std::chrono::milliseconds limit) {
        std::unique_lock l(m_mutex);
        return m_cv.wait_for(l, limit, [this] { return m_frames > 0; });
    }
    // A frame after the `seen`th, until the deadline; seen becomes the count.
    bool WaitNext(int& seen, std::chrono::steady_clock::time_point until) {
        std::unique_lock l(m_mutex);
        if (!m_cv.wait_until(l, until, [&] { return m_frames > seen; })) return false;
        seen = m_frames;
        return true;
    }
    // When the latest frame arrived; read it under the receiver's lock to
    // match the image.
    std::chrono::steady_clock::time_point LastArrival() {
        std::lock_guard l(m_mutex);
        return m_arrival;
    }
    // The session's view, as Run installed it.
    static FrameWaiter& Of(Context& c);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_frames = 0;
    std::chrono::steady_clock::time_point m_arrival;
};

}  // namespace hd::cli
