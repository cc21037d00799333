// FbSource: where a frame buffer's descriptor and screen information come
// from: the device node (FbDevice) or, in tests, a memory file with canned
// information. Owned by the FbDisplay reading it, used on its thread; it
// never maps memory itself.
#pragma once

#include <linux/fb.h>

#include <string>

namespace hd::platform {

class FbSource {
public:
    virtual ~FbSource() = default;
    // For messages.
    virtual const std::string& Path() const = 0;
    // An open descriptor that mmap accepts, valid for the source's life.
    virtual int Fd() const = 0;
    // FBIOGET_VSCREENINFO / FBIOGET_FSCREENINFO: 0, or the errno value. The
    // caller logs, so that a refresh failing every capture is told once.
    virtual int GetVar(fb_var_screeninfo& var) = 0;
    virtual int GetFix(fb_fix_screeninfo& fix) = 0;
};

}  // namespace hd::platform
