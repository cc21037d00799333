// The command line's screen view: counts frames, notes when the latest one
// arrived and lets the main thread wait for the first or the next one; when
// asked to watch a pixel, it notes when a frame changed it. FrameReady runs on
// the receiver thread and only signals.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "desktop/cli/Command.h"
#include "desktop/cli/MarkerLatency.h"
#include "desktop/session/ScreenImage.h"
#include "desktop/session/ScreenReceiver.h"

namespace hd::cli {

class FrameWaiter : public desktop::ScreenView {
public:
    void FrameReady(const uint8_t* image, size_t length) override {
        std::lock_guard l(m_mutex);
        ++m_frames;
        m_arrival = std::chrono::steady_clock::now();
        uint16_t pixel;
        if (m_watchX >= 0 && desktop::ReadScreenPixel(image, length, m_watchX, m_watchY, pixel)) {
            if (m_pixel && *m_pixel != pixel) m_changes.push_back(SteadySeconds(m_arrival));
            m_pixel = pixel;
        }
        m_cv.notify_all();
    }
    // From now on, note the frames that change the pixel at (x, y).
    void WatchPixel(int x, int y) {
        std::lock_guard l(m_mutex);
        m_watchX = x;
        m_watchY = y;
    }
    // When the watched pixel changed, in steady-clock seconds.
    std::vector<double> PixelChanges() {
        std::lock_guard l(m_mutex);
        return m_changes;
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
    int m_watchX = -1, m_watchY = -1;
    std::optional<uint16_t> m_pixel;
    std::vector<double> m_changes;
};

}  // namespace hd::cli
