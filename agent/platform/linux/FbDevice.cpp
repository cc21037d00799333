#include "agent/platform/linux/FbDevice.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<FbDevice> FbDevice::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        log::Forced("FB::Open:Cannot open %s: %s", path.c_str(), std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<FbDevice>(new FbDevice(path, fd));
}

FbDevice::~FbDevice() {
    ::close(m_fd);
}

int FbDevice::GetVar(fb_var_screeninfo& var) {
    return ::ioctl(m_fd, FBIOGET_VSCREENINFO, &var) == 0 ? 0 : errno;
}

int FbDevice::GetFix(fb_fix_screeninfo& fix) {
    return ::ioctl(m_fd, FBIOGET_FSCREENINFO, &fix) == 0 ? 0 : errno;
}

}  // namespace hd::platform
