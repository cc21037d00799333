// VirtualSystemInfo: the virtual handheld's system information, fixed values
// of a handheld of its kind (one StrongARM processor, the handheld OS 3.0,
// 32 MB of memory shared with the object store, batteries) and the size of
// the virtual screen. Made at agent load, used on the HdInvoke thread only.
#pragma once

#include "agent/platform/SystemInfo.h"

namespace hd::platform {

class VirtualSystemInfo : public SystemInfo {
public:
    VirtualSystemInfo(int width, int height) : m_width(width), m_height(height) {}

    bool Processor(ProcessorInfo& out) override;
    bool Memory(MemoryInfo& out) override;
    bool Version(OsVersionInfo& out) override;
    bool Store(StoreInfo& out) override;
    ScreenInfo Screen() override;
    bool Power(PowerInfo& out) override;

private:
    int m_width;
    int m_height;
};

}  // namespace hd::platform
