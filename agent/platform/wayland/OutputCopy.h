// OutputCopy: copies one output of a wlroots compositor into shared memory
// through zwlr_screencopy_manager_v1, one frame at a time, on the thread
// that owns its connection; "copy" takes the next frame at once, "copy with
// damage" waits for the next frame that changed. Owned by the display (its
// captures) or the damage watcher (its waits); logs under its owner's tag.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "agent/platform/wayland/ShmBuffer.h"
#include "agent/platform/wayland/WaylandConnection.h"
#include "agent/platform/x11/X11Pixels.h"

struct zwlr_screencopy_manager_v1;
struct zwlr_screencopy_frame_v1;

namespace hd::platform {

// The pixel layout of a wl_shm format; bitsPerPixel 0 for formats the
// conversion does not read.
PixelLayout ShmLayout(uint32_t format);

class OutputCopy {
public:
    enum class Result { Copied, Failed, TimedOut, Stopped };

    // Null, with a forced line under who, when the compositor lacks the
    // screen-copy protocol, an output or shared memory.
    static std::unique_ptr<OutputCopy> Open(WaylandConnection& connection, const char* who);
    ~OutputCopy();
    OutputCopy(const OutputCopy&) = delete;
    OutputCopy& operator=(const OutputCopy&) = delete;

    // Copies the output into Frame(). withDamage waits for a changed frame
    // (needs version 2) until timeoutMs or until stop is set.
    Result Copy(bool withDamage, int timeoutMs, const std::atomic<bool>* stop = nullptr);
    // The last copy: rows top down unless YInverted(). Null before one.
    const ShmBuffer* Frame() const { return m_buffer.get(); }
    bool YInverted() const { return m_yInvert; }
    bool HasDamage() const { return m_version >= 2; }

    // What the frame events tell, filled on the owner's thread.
    struct FrameState {
        uint32_t format = 0;
        int width = 0;
        int height = 0;
        int stride = 0;
        bool shm = false;  // an shm buffer shape was offered
        bool described = false;
        uint32_t flags = 0;
        bool ready = false;
        bool failed = false;
    };

private:
    OutputCopy(WaylandConnection& connection, const char* who)
        : m_connection(connection), m_who(who) {}

    WaylandConnection& m_connection;
    const char* m_who;
    zwlr_screencopy_manager_v1* m_manager = nullptr;
    uint32_t m_version = 0;
    wl_output* m_output = nullptr;
    wl_shm* m_shm = nullptr;
    std::unique_ptr<ShmBuffer> m_buffer;
    bool m_yInvert = false;
    bool m_toldShape = false;
};

}  // namespace hd::platform
