// ScreenRecorder: the handheld's screen saved as a video while it changes.
// Each frame is written at the time it arrived from the device, counted from
// the start, so playback runs at the real speed and a still screen adds
// nothing; stopping shows the last picture once more at the stop time, so
// the video lasts as long as the recording did. Runs on its caller's thread
// (the user-interface thread, or handrel-cli's); it never touches the
// receiver. A write that fails ends the recording with the reason.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/media/VideoFileWriter.h"
#include "desktop/session/ScreenImage.h"

namespace hd::media {

class ScreenRecorder {
public:
    using Clock = std::chrono::steady_clock;

    // Opens the file and writes the current picture at time 0.
    bool Start(const std::string& path, const desktop::RgbImage& first, Clock::time_point now,
               std::string& error);
    // A frame that arrived at the given time; false when writing failed (the
    // recording has then ended, Error() says why).
    bool Add(const desktop::RgbImage& frame, Clock::time_point arrival);
    // Ends the file; false when that failed (Error() says why).
    bool Stop(Clock::time_point now);

    bool Recording() const { return m_writer.IsOpen(); }
    const std::string& Path() const { return m_path; }
    const std::string& Error() const { return m_error; }
    int Frames() const { return m_frames; }
    // The time of every frame written, in microseconds from the start.
    const std::vector<int64_t>& Times() const { return m_times; }

private:
    bool Write(const desktop::RgbImage& frame, int64_t micros);
    void Fail(const std::string& error);

    VideoFileWriter m_writer;
    Clock::time_point m_start;
    desktop::RgbImage m_last;
    std::string m_path;
    std::string m_error;
    int m_frames = 0;
    std::vector<int64_t> m_times;
};

}  // namespace hd::media
