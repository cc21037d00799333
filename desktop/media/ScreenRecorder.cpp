#include "desktop/media/ScreenRecorder.h"

#include <algorithm>

namespace hd::media {

bool ScreenRecorder::Start(const std::string& path, const desktop::RgbImage& first,
                           Clock::time_point now, std::string& error) {
    m_error.clear();
    m_frames = 0;
    m_times.clear();
    m_path = path;
    m_start = now;
    if (!m_writer.Open(path, first.width, first.height, error)) return false;
    if (!Write(first, 0)) {
        error = m_error;
        return false;
    }
    return true;
}

bool ScreenRecorder::Add(const desktop::RgbImage& frame, Clock::time_point arrival) {
    if (!Recording()) return false;
    const int64_t micros =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival - m_start).count();
    return Write(frame, std::max<int64_t>(micros, 0));
}

bool ScreenRecorder::Stop(Clock::time_point now) {
    if (!Recording()) return m_error.empty();
    const int64_t micros =
        std::chrono::duration_cast<std::chrono::microseconds>(now - m_start).count();
    // The last picture again at the end, unless it is that recent already.
    if (!m_times.empty() && micros - m_times.back() >= m_writer.TickMicros()) {
        if (!Write(m_last, micros)) return false;
    }
    std::string error;
    if (!m_writer.Close(error)) {
        m_error = error;
        return false;
    }
    return true;
}

bool ScreenRecorder::Write(const desktop::RgbImage& frame, int64_t micros) {
    std::string error;
    if (!m_writer.Write(frame.pixels.data(), frame.width, frame.height, micros, error)) {
        Fail(error);
        return false;
    }
    ++m_frames;
    m_times.push_back(micros);
    if (&frame != &m_last) m_last = frame;
    return true;
}

void ScreenRecorder::Fail(const std::string& error) {
    m_error = error;
    // What reached the file stays; the rest of the ending is best effort.
    std::string ignored;
    m_writer.Close(ignored);
}

}  // namespace hd::media
