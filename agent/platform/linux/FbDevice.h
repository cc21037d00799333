// FbDevice: a frame-buffer device node (/dev/fb0) opened read-only for its
// screen information and memory. Owned by FbDisplay; closes the node when it
// ends and never writes to the device.
#pragma once

#include <memory>

#include "agent/platform/linux/FbSource.h"

namespace hd::platform {

class FbDevice : public FbSource {
public:
    // Null, with a forced "FB::Open:" line, when the node cannot be opened.
    static std::unique_ptr<FbDevice> Open(const std::string& path);
    ~FbDevice() override;
    FbDevice(const FbDevice&) = delete;
    FbDevice& operator=(const FbDevice&) = delete;

    const std::string& Path() const override { return m_path; }
    int Fd() const override { return m_fd; }
    int GetVar(fb_var_screeninfo& var) override;
    int GetFix(fb_fix_screeninfo& fix) override;

private:
    FbDevice(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}

    std::string m_path;
    int m_fd;
};

}  // namespace hd::platform
