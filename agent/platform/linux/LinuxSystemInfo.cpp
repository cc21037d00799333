#include "agent/platform/linux/LinuxSystemInfo.h"

#include <dirent.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "agent/platform/linux/ProcFiles.h"

namespace hd::platform {

namespace {

std::string_view FirstLine(std::string_view s) {
    s = s.substr(0, s.find('\n'));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool SmallNumber(std::string_view s, long& v) {
    const std::string text(FirstLine(s));
    char* end = nullptr;
    errno = 0;
    v = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && !*end && !errno;
}

}  // namespace

LinuxSystemInfo::LinuxSystemInfo(std::string root, int width, int height, std::string procRoot,
                                 std::string sysRoot, std::string fbName)
    : m_root(std::move(root)), m_proc(std::move(procRoot)), m_sys(std::move(sysRoot)) {
    m_screen.width = uint32_t(std::max(width, 0));
    m_screen.height = uint32_t(std::max(height, 0));
    long bpp = 0;
    if (ReadTextFile(m_sys + "/class/graphics/" + fbName + "/bits_per_pixel", m_text, 64) &&
        SmallNumber(m_text, bpp) && bpp > 0 && bpp <= 8)
        m_screen.colours = int32_t(1) << bpp;  // a palette display counts its colours
}

void LinuxSystemInfo::AddressRange(uint64_t& lowest, uint64_t& highest) {
    long minAddr = 0;
    lowest = ReadTextFile(m_proc + "/sys/vm/mmap_min_addr", m_text, 64) &&
                     SmallNumber(m_text, minAddr) && minAddr > 0
                 ? uint64_t(minAddr)
                 : uint64_t(::sysconf(_SC_PAGESIZE));
    // The top of this program's own mappings, the kernel's fixed pages aside.
    highest = 0;
    if (!ReadTextFile(m_proc + "/self/maps", m_text, 1 << 20)) return;
    std::string_view rest = m_text;
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        MapsLine m;
        if (ParseMapsLine(rest.substr(0, nl), m) && m.path != "[vsyscall]" &&
            m.path != "[vectors]" && m.end > 0)
            highest = std::max(highest, m.end - 1);
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
}

bool LinuxSystemInfo::Processor(ProcessorInfo& out) {
    const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    utsname u{};
    ::uname(&u);
    out.count = count > 0 ? uint32_t(count) : 1;
    out.type = 0;  // none of the handheld's processor types
    ReadTextFile(m_proc + "/cpuinfo", m_text, 1 << 20);
    out.name = CpuName(m_text, u.machine);
    AddressRange(out.lowestAddress, out.highestAddress);
    out.pageSize = uint32_t(::sysconf(_SC_PAGESIZE));
    return true;
}

bool LinuxSystemInfo::Memory(MemoryInfo& out) {
    uint64_t total = 0, avail = 0, lowest = 0, highest = 0, used = 0;
    if (!ReadTextFile(m_proc + "/meminfo", m_text) || !KilobyteValue(m_text, "MemTotal", total) ||
        (!KilobyteValue(m_text, "MemAvailable", avail) &&
         !KilobyteValue(m_text, "MemFree", avail)) ||
        total == 0)
        return false;
    avail = std::min(avail, total);
    out.totalPhysical = total;
    out.availPhysical = avail;
    out.loadPercent = uint32_t((total - avail) * 100 / total);
    // This program's address space and what it has not taken of it yet.
    AddressRange(lowest, highest);
    out.totalVirtual = highest > lowest ? highest - lowest + 1 : 0;
    if (ReadTextFile(m_proc + "/self/status", m_text)) KilobyteValue(m_text, "VmSize", used);
    out.availVirtual = out.totalVirtual > used ? out.totalVirtual - used : 0;
    return true;
}

bool LinuxSystemInfo::Version(OsVersionInfo& out) {
    utsname u{};
    if (::uname(&u) != 0) return false;
    out.csdVersion.clear();
    out.ownText = LinuxOsText(u.release, u.version, out.major, out.minor, out.build);
    return true;
}

bool LinuxSystemInfo::Store(StoreInfo& out) {
    struct statvfs s {};
    if (::statvfs(m_root.empty() ? "/" : m_root.c_str(), &s) != 0) return false;
    const uint64_t unit = s.f_frsize ? s.f_frsize : s.f_bsize;
    out.freeBytes = uint64_t(s.f_bavail) * unit;
    out.sizeBytes = uint64_t(s.f_blocks) * unit;
    return true;
}

bool LinuxSystemInfo::Power(PowerInfo& out) {
    const std::string base = m_sys + "/class/power_supply";
    DIR* dir = ::opendir(base.c_str());
    if (!dir) {
        if (errno != ENOENT) return false;
        out = {};  // no power supplies at all: no battery to report
        return true;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    PowerInfo power;  // a device has no backup battery to report
    for (const auto& name : names) {
        const std::string supply = base + "/" + name;
        if (!ReadTextFile(supply + "/type", m_text, 64) || FirstLine(m_text) != "Battery") continue;
        // The batteries of a mouse or a headset are not the device's.
        if (ReadTextFile(supply + "/scope", m_text, 64) && FirstLine(m_text) == "Device") continue;
        long percent = 0;
        if (ReadTextFile(supply + "/capacity", m_text, 64) && SmallNumber(m_text, percent) &&
            percent >= 0 && percent <= 100)
            power.mainPercent = uint8_t(percent);
        break;
    }
    out = power;
    return true;
}

}  // namespace hd::platform
