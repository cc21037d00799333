// What the system-information record asks of the device: processor, memory,
// OS version, storage, screen and batteries. Every method is called on the
// HdInvoke thread only and fills a structure the caller owns; a method that
// returns false leaves it untouched, so the record keeps its last values.
// Backends: virtual (fixed handheld-like values), linux (uname, /proc,
// statvfs of the device root, /sys/class/power_supply).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hd::platform {

struct ProcessorInfo {
    uint32_t count = 0;
    uint32_t type = 0;           // the handheld's processor type code; 0 when it has none
    std::string name;            // the processor's own name, used where the type has no name
    uint64_t lowestAddress = 0;  // lowest and highest application address
    uint64_t highestAddress = 0;
    uint32_t pageSize = 0;
};

struct MemoryInfo {
    uint64_t availPhysical = 0;
    uint64_t totalPhysical = 0;
    uint64_t availVirtual = 0;
    uint64_t totalVirtual = 0;
    uint32_t loadPercent = 0;
};

struct OsVersionInfo {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    std::string csdVersion;  // service-pack text, empty when none
    // A device that is not the handheld system names itself here in full
    // ("Linux 6.1.0, build 18"); empty on the handheld.
    std::string ownText;
};

struct StoreInfo {
    uint64_t freeBytes = 0;
    uint64_t sizeBytes = 0;
};

struct ScreenInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t colours = -1;  // -1 for displays deeper than 8 bits per pixel
};

constexpr uint8_t kBatteryUnknown = 255;

struct PowerInfo {
    uint8_t mainPercent = kBatteryUnknown;
    uint8_t backupPercent = kBatteryUnknown;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // Each is called once per HC_GETSYSINFO, in this order.
    virtual bool Processor(ProcessorInfo& out) = 0;
    virtual bool Memory(MemoryInfo& out) = 0;
    virtual bool Version(OsVersionInfo& out) = 0;
    virtual bool Store(StoreInfo& out) = 0;
    virtual ScreenInfo Screen() = 0;
    virtual bool Power(PowerInfo& out) = 0;
};

// The backend for a device kind; root is the device root folder, width and
// height the display's size read at agent load. Called once at agent load.
std::unique_ptr<SystemInfo> CreateSystemInfo(const std::string& kind, const std::string& root,
                                             int width, int height);

}  // namespace hd::platform
