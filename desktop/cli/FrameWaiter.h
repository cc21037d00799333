// The command line's screen view: counts frames and lets the main thread wait
// for the first one. FrameReady runs on the receiver thread and only signals.
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
        m_cv.notify_all();
    }
    bool WaitFirst(std::chrono::milliseconds limit) {
        std::unique_lock l(m_mutex);
        return m_cv.wait_for(l, limit, [this] { return m_frames > 0; });
    }
    // The session's view, as Run installed it.
    static FrameWaiter& Of(Context& c);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_frames = 0;
};

}  // namespace hd::cli
