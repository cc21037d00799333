// SystemInfoReport (log tag "SI"): the system-information record (processor, OS version, memory,
// object store, screen, batteries), refreshed and sent for HC_GETSYSINFO. Embedded in the task list
// TaskList; used on the HdInvoke thread only. The record persists: a part the device cannot report
// keeps its last values, and the reply is never shorter than the whole record.
#pragma once

#include <array>
#include <cstdint>

#include "agent/platform/SystemInfo.h"
#include "common/Channel.h"

namespace hd {

// System-information record, 244 bytes, little-endian:
//   0    70   processor text, 35 UTF-16 units: "%d X " and the processor name
//   70   122  OS text, 61 UTF-16 units
//   192  u32  lowest application address     196  u32  highest application address
//   200  u32  available physical memory      204  u32  total physical memory
//   208  u32  available virtual memory       212  u32  total virtual memory
//   216  u32  page size                      220  u32  memory load, percent
//   224  u32  free object-store bytes        228  u32  object-store size
//   232  u16  screen width                   234  u16  screen height
//   236  i32  number of colours (-1 when deeper than 8 bits per pixel)
//   240  u8   main battery percent           241  u8   backup battery percent
//   242  2    padding
constexpr uint32_t kSysInfoSize = 244;
constexpr size_t kProcessorTextUnits = 35;
constexpr size_t kOsTextUnits = 61;

// The name of a handheld processor type; null when the table has none.
const char* ProcessorTypeName(uint32_t type);

class SystemInfoReport {
public:
    explicit SystemInfoReport(platform::SystemInfo& system) : m_system(system) {}

    void LoadSysInfo();
    // Loads, then sends the big-endian length 244 and the record.
    bool List2Stream(Channel& channel);

    const std::array<uint8_t, kSysInfoSize>& Record() const { return m_record; }

private:
    platform::SystemInfo& m_system;
    std::array<uint8_t, kSysInfoSize> m_record{};
};

}  // namespace hd
