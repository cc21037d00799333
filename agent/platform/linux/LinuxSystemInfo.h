// LinuxSystemInfo: a Linux device's system information, named as what it
// is: the real processor and kernel ("Linux 6.1.0, build 18"), memory from
// /proc/meminfo, the object store as the file system holding the device root
// folder, batteries from /sys/class/power_supply (none: "unknown"). Made at
// agent load, used on the HdInvoke thread only.
#pragma once

#include <string>

#include "agent/platform/SystemInfo.h"

namespace hd::platform {

class LinuxSystemInfo : public SystemInfo {
public:
    // procRoot and sysRoot: where /proc and /sys are mounted; fbName the
    // frame buffer whose depth gives the number of colours.
    LinuxSystemInfo(std::string root, int width, int height, std::string procRoot = "/proc",
                    std::string sysRoot = "/sys", std::string fbName = "fb0");

    bool Processor(ProcessorInfo& out) override;
    bool Memory(MemoryInfo& out) override;
    bool Version(OsVersionInfo& out) override;
    bool Store(StoreInfo& out) override;
    ScreenInfo Screen() override { return m_screen; }
    bool Power(PowerInfo& out) override;

private:
    // The lowest and highest address a program of this device may use.
    void AddressRange(uint64_t& lowest, uint64_t& highest);

    std::string m_root;
    std::string m_proc;
    std::string m_sys;
    ScreenInfo m_screen;
    std::string m_text;  // reused for the files read
};

}  // namespace hd::platform
