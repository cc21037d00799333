// FrameReader (log tag "BF"), the frame-buffer reader: reads the display memory directly (the
// display-memory layer, or a known device's fixed address) and converts it
// into the 5-5-5 bottom-up pixel area of the sender's work image, reporting
// the changed pixel range. Lives inside the sender; used on the screen thread
// only. Once Open has failed it stays unusable for the life of the agent.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "agent/platform/Display.h"

namespace hd {

class FrameReader {
public:
    explicit FrameReader(platform::Display& display);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Prepares the reader once; later calls return the first result.
    bool Open();
    // Converts the whole display into pixels (bottom-up rows, stride bytes
    // apart) in place; first/last are the lowest and highest pixel index
    // (row * stride / 2 + x) that changed, -1/-1 when none did.
    bool VMem2DIB(uint8_t* pixels, int width, int height, uint32_t stride, int& first, int& last);
    // The same, reading and comparing only the given areas (screen pixels,
    // top-down): the display drew nowhere else since the last read, so the
    // range found is the one a whole read would find.
    bool VMem2DIB(uint8_t* pixels, int width, int height, uint32_t stride, int& first, int& last,
                  std::span<const platform::Rect> areas);

    // The work image was rebuilt by other means: compare in full next time.
    void Invalidate() { m_shadowValid = false; }
    // HC_INIT flag 0x0010: take the display pointer on the first read only.
    void SetKeepPointer(bool keep) { m_keepPointer = keep; }
    bool Usable() const { return m_usable; }
    bool Special() const { return m_special; }
    const platform::GxProperties& Properties() const { return m_props; }

private:
    bool Load();
    bool Read(uint8_t* pixels, int width, int height, uint32_t stride, int& first, int& last,
              const std::span<const platform::Rect>* areas);

    platform::Display& m_display;
    std::unique_ptr<platform::GxLibrary> m_gxLibrary;
    bool m_usable = false;
    bool m_tried = false;
    bool m_special = false;
    bool m_firstRead = true;
    bool m_virtualDisplay = false;
    bool m_displayOpen = false;
    uint8_t* m_vmem = nullptr;
    std::atomic<bool> m_keepPointer{false};
    platform::GxProperties m_props;
    std::vector<uint8_t> m_shadow;  // raw copy of the last read, portrait memory only
    bool m_shadowValid = false;
};

}  // namespace hd
