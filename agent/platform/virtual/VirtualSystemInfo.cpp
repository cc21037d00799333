#include "agent/platform/virtual/VirtualSystemInfo.h"

namespace hd::platform {

bool VirtualSystemInfo::Processor(ProcessorInfo& out) {
    out = {};
    out.count = 1;
    out.type = 2577;  // StrongARM
    out.lowestAddress = 0x00010000;
    out.highestAddress = 0x7FFFFFFF;
    out.pageSize = 4096;
    return true;
}

bool VirtualSystemInfo::Memory(MemoryInfo& out) {
    out.totalPhysical = 16u << 20;  // the program half of 32 MB
    out.availPhysical = 9175040;
    out.totalVirtual = 32u << 20;  // one process slot
    out.availVirtual = 30015488;
    out.loadPercent = uint32_t(100 - out.availPhysical * 100 / out.totalPhysical);
    return true;
}

bool VirtualSystemInfo::Version(OsVersionInfo& out) {
    out = {};
    out.major = 3;
    out.minor = 0;
    out.build = 11171;
    return true;
}

bool VirtualSystemInfo::Store(StoreInfo& out) {
    out.sizeBytes = 16u << 20;  // the storage half of 32 MB
    out.freeBytes = 12713984;
    return true;
}

ScreenInfo VirtualSystemInfo::Screen() {
    return {uint32_t(m_width), uint32_t(m_height), -1};  // 16 bits per pixel
}

bool VirtualSystemInfo::Power(PowerInfo& out) {
    out.mainPercent = 85;
    out.backupPercent = 100;
    return true;
}

}  // namespace hd::platform
