// FbDisplay (FB): a Linux frame buffer as the device's display. Maps the
// frame buffer read-only, offers a 16-bit 5-6-5 one to the frame-buffer reader
// through "gx.dll" and converts any packed true-colour depth for the screen
// copy. Made at agent load, used on the screen thread; the mapping is shared
// with the layers it hands out. It never reads outside the mapped memory.
#pragma once

#include <linux/fb.h>

#include <memory>

#include "agent/platform/Display.h"
#include "agent/platform/linux/FbSource.h"

namespace hd::platform {

class FbDisplay : public Display {
public:
    // Null, with a forced "FB::Open:" line, when the frame buffer cannot be
    // read or its layout is not one this backend understands.
    static std::unique_ptr<FbDisplay> Open(std::unique_ptr<FbSource> source);
    ~FbDisplay() override;

    int Width() override { return int(m_var.xres); }
    int Height() override { return int(m_var.yres); }
    std::string OemInfo() override;
    bool AnswersVirtualDisplayEscape() override { return false; }
    std::unique_ptr<GxLibrary> LoadGx(const char* name) override;
    uint8_t* KnownDeviceMemory(uint32_t) override { return nullptr; }
    // Follows panning: the visible area moves when another program flips pages.
    void BeforeCapture() override;
    bool CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) override;

    bool Is565() const;

private:
    struct Mapping;

    FbDisplay(std::unique_ptr<FbSource> source, const fb_var_screeninfo& var,
              const fb_fix_screeninfo& fix, std::shared_ptr<Mapping> map);

    std::unique_ptr<FbSource> m_source;
    fb_var_screeninfo m_var;
    fb_fix_screeninfo m_fix;
    uint32_t m_bytesPerPixel;
    std::shared_ptr<Mapping> m_map;
    bool m_refreshFailed = false;  // told once
};

}  // namespace hd::platform
