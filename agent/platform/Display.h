// What the agent asks of the device's display. The frame-buffer reader (FrameReader)
// uses the direct display-memory layer and the known-device memory; the
// sender's fallback capture uses CaptureRgb555. All methods are called on the
// screen thread (HdScreen), except construction and SetChangeListener at agent
// load and unload. Backends: virtual (the built-in handheld), linux (fbdev),
// x11 (an X server's screen), wayland (a wlroots compositor's output).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "agent/platform/Rect.h"

namespace hd::platform {

// Format bits reported by the display-memory layer.
constexpr uint32_t kFormat565 = 0x80;        // 16-bit 5-6-5, the only format read directly
constexpr uint32_t kFormatLandscape = 0x08;  // memory laid out in landscape order

// 5-6-5 to 5-5-5: blue kept, red and the upper green bits moved down by one
// (the low green bit is dropped).
constexpr uint16_t Rgb565To555(uint16_t v) {
    return uint16_t((v & 0x1F) | (v >> 6) << 5);
}

struct GxProperties {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t xPitchBytes = 0;  // distance between horizontally adjacent pixels
    int32_t yPitchBytes = 0;  // distance between rows
    uint32_t bpp = 16;
    uint32_t format = 0;
};

// The direct display-memory layer: "gx.dll", or "NVDGAPI.DLL" on devices with
// a virtual display driver. Pointers returned address pixel (0, 0); the memory
// stays owned by the layer and is valid until EndDraw/CloseDisplay.
class GxLibrary {
public:
    virtual ~GxLibrary() = default;
    virtual bool OpenDisplay() = 0;
    virtual void CloseDisplay() = 0;
    virtual GxProperties GetDisplayProperties() = 0;
    virtual uint8_t* BeginDraw() = 0;
    virtual void EndDraw() = 0;
    // Only the virtual-display layer has these two.
    virtual uint8_t* BeginRead() { return nullptr; }
    virtual void UseVirtualDisplay(int) {}
};

class Display {
public:
    virtual ~Display() = default;

    // Screen size in pixels, as the system metrics give it.
    virtual int Width() = 0;
    virtual int Height() = 0;
    // The device's OEM information text (at most 200 characters).
    virtual std::string OemInfo() = 0;
    // True when the display driver answers the virtual-display escape with 3.
    virtual bool AnswersVirtualDisplayEscape() = 0;
    // Loads the named display-memory layer; null when the device has none.
    virtual std::unique_ptr<GxLibrary> LoadGx(const char* name) = 0;
    // Display memory of a known device at its fixed address (pixel (0, 0));
    // null when nothing is there. Owned by the display.
    virtual uint8_t* KnownDeviceMemory(uint32_t address) = 0;
    // Called on the screen thread before every capture; a display that draws
    // its own content (the virtual handheld) brings it up to date here.
    virtual void BeforeCapture() {}
    // The fallback screen copy: width x height 5-5-5 pixels into bottom-up rows
    // strideBytes apart. False when the screen cannot be read.
    virtual bool CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) = 0;
    // A display that learns of changes on its screen by itself calls onChange,
    // on a thread of its own, to ask the sender for a quick capture. Set at
    // agent load; once an empty one has been set, the old one is never called
    // again. Displays that cannot tell ignore it.
    virtual void SetChangeListener(std::function<void()> onChange) { (void)onChange; }
    // True while every change on the screen reaches the change listener: the
    // sender then needs no polling, only a slow safety pass. Screen thread.
    virtual bool ReportsChanges() { return false; }

    // Damage-driven capture, all on the screen thread. The sender asks for
    // the whole screen on its next capture (the first, after a new size, the
    // safety pass); a display that refreshes only what was drawn then
    // refreshes everything in its next BeforeCapture.
    virtual void RequestWholeCapture() {}
    // Right after BeforeCapture: the areas drawn since the previous capture,
    // in screen pixels, top-down (none when nothing was drawn). False when the
    // display cannot tell; the sender then captures and compares everything.
    virtual bool TakeDamage(std::vector<Rect>& areas) {
        areas.clear();
        return false;
    }
    // The screen copy of the given areas only, into the same bottom-up rows;
    // pixels outside them keep what the target holds. Displays that cannot
    // copy part of the screen copy all of it.
    virtual bool CaptureRgb555Areas(uint8_t* bottomUp, int width, int height, int strideBytes,
                                    std::span<const Rect> areas) {
        (void)areas;
        return CaptureRgb555(bottomUp, width, height, strideBytes);
    }
};

// The display backend by name ("virtual", "linux", "x11", "wayland"); null with a message
// on stderr when it cannot be opened. Options come from the environment:
// HANDREL_SCREEN=WxH, HANDREL_OEM, HANDREL_GXFORMAT (virtual), HANDREL_FBDEV,
// DISPLAY (x11), WAYLAND_DISPLAY (wayland).
std::unique_ptr<Display> CreateDisplay(const std::string& kind);

}  // namespace hd::platform
