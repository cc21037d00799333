// VideoFileWriter: one video file written through FFmpeg's libraries. The
// container follows the file name (.avi and .mkv: lossless FFV1; .mp4: H.264,
// or MPEG-4 Part 2 where that encoder is missing) and every frame carries its
// own time, so a still screen writes nothing. Each frame is in the file when
// Write returns: a fault later (a full disk) leaves what was written playable.
// One thread at a time; owned by the recorder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hd::media {

class VideoFileWriter {
public:
    VideoFileWriter();
    ~VideoFileWriter();
    VideoFileWriter(const VideoFileWriter&) = delete;
    VideoFileWriter& operator=(const VideoFileWriter&) = delete;

    // True for a file name whose type can be written (.avi, .mkv, .mp4).
    static bool Supported(const std::string& path);

    // Creates the file for frames of the given size; false with the reason.
    bool Open(const std::string& path, int width, int height, std::string& error);
    // One frame of 0xFFRRGGBB pixels (rows of width, top row first), shown
    // from `micros` after the start until the next; a frame of another size
    // is scaled to the file's. Times that do not rise are moved one tick on.
    bool Write(const uint32_t* pixels, int width, int height, int64_t micros, std::string& error);
    // Ends the file (index, trailer); false with the reason. Safe to call twice.
    bool Close(std::string& error);
    bool IsOpen() const;

    // The codec's and stream's time unit, in microseconds per tick.
    int64_t TickMicros() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace hd::media
