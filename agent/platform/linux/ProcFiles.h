// Reading and parsing the kernel's text files under /proc and /sys for the
// Linux task and system-information backends. Pure parsers over strings plus
// one bounded file reader; no state, callable from any thread. A parser
// never trusts a field's width: malformed text yields false, not a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hd::platform {

// Reads at most limit bytes of a file; false when it cannot be opened or read
// (a process that has just ended, for instance).
bool ReadTextFile(const std::string& path, std::string& out, size_t limit = 64 * 1024);

// /proc/PID/stat. The command name may itself hold ") " and spaces, so the
// fields are counted from the line's last ')'.
struct StatFields {
    std::string comm;  // cut to 15 bytes by the kernel
    char state = '?';
    uint32_t ppid = 0;
    uint32_t flags = 0;    // the kernel's PF_ bits
    int32_t priority = 0;  // the kernel's scheduling priority (20 at nice 0)
    uint32_t threads = 0;
};
bool ParseStat(std::string_view line, StatFields& out);
// A thread of the kernel's own rather than a program.
constexpr uint32_t kKernelThreadFlag = 0x00200000;

// One line of /proc/PID/maps.
struct MapsLine {
    uint64_t start = 0;
    uint64_t end = 0;
    bool executable = false;
    std::string_view device;  // "08:01"
    uint64_t inode = 0;
    std::string_view path;  // empty for anonymous memory; may contain spaces
};
bool ParseMapsLine(std::string_view line, MapsLine& out);

// What follows the last '/', without the " (deleted)" the kernel appends to
// files that have been replaced.
std::string_view BaseName(std::string_view path);

// The executable's name: the exe link's file name when it could be read,
// else the first argument's when the 15-byte command name begins it (a
// program may rewrite its arguments), else the command name.
std::string ExeName(std::string_view exeLink, std::string_view cmdline, std::string_view comm);

// "Linux 6.1.0, build 18" from uname's release ("6.1.0-18-amd64") and
// version ("#1 SMP ..."); the build is the first number after the version
// numbers, else the version's "#N", else 0.
std::string LinuxOsText(std::string_view release, std::string_view version, uint32_t& major,
                        uint32_t& minor, uint32_t& build);

// The processor's name from /proc/cpuinfo ("model name", "Processor",
// "cpu model" or "Hardware"), runs of blanks folded; fallback when none.
std::string CpuName(std::string_view cpuinfo, std::string_view fallback);

// A "Key:   123 kB" line of /proc/meminfo or /proc/PID/status, in bytes.
bool KilobyteValue(std::string_view text, std::string_view key, uint64_t& bytes);

}  // namespace hd::platform
