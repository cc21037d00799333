// The process manager's records as the handheld sends them: task, thread,
// module and system-information records, parsed field by field into plain
// values. Pure functions over caller-owned bytes, any thread; a parser never
// reads past its record, and a text never past its field, whatever the
// handheld put in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace hd::tools {

// The count byte of a list reply: no list carries more records.
constexpr int32_t kMaxListRecords = 255;

// Task record, 292 bytes, little-endian:
//   0    u32  usage count             4    u32  process identifier
//   8    u32  parent identifier       12   u32  thread count
//   16   u32  module identifier       20   12   zero
//   32   u32  main window handle, 0 when none
//   36   128  executable name, 64 UTF-16 units including the NUL
//   164  128  main window title, 64 UTF-16 units; empty without a titled window
constexpr uint32_t kTaskRecordSize = 292;
struct TaskRecord {
    uint32_t usage = 0;
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    uint32_t threads = 0;
    uint32_t moduleId = 0;
    uint32_t window = 0;
    std::string exe;    // UTF-8
    std::string title;  // UTF-8, empty when the task has no titled window
};
TaskRecord ParseTask(std::span<const uint8_t, kTaskRecordSize> r);

// Thread record, 8 bytes: 0 u32 thread identifier, 4 i32 base priority.
constexpr uint32_t kThreadRecordSize = 8;
struct ThreadRecord {
    uint32_t tid = 0;
    int32_t basePriority = 0;
};
ThreadRecord ParseThread(std::span<const uint8_t, kThreadRecordSize> r);

// Module record, 152 bytes:
//   0    u32  base address            4    u32  size in bytes
//   8    u32  global usage count      12   u32  process usage count
//   16   u32  module handle
//   20   132  module name, 66 UTF-16 units including the NUL
constexpr uint32_t kModuleRecordSize = 152;
struct ModuleRecord {
    uint32_t base = 0;
    uint32_t size = 0;
    uint32_t globalUsage = 0;
    uint32_t processUsage = 0;
    uint32_t handle = 0;
    std::string name;
};
ModuleRecord ParseModule(std::span<const uint8_t, kModuleRecordSize> r);

// System-information record, 244 bytes:
//   0    70   processor text, 35 UTF-16 units
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
struct SysInfoRecord {
    std::string processor;
    std::string os;
    uint32_t minAddress = 0, maxAddress = 0;
    uint32_t availPhysical = 0, totalPhysical = 0;
    uint32_t availVirtual = 0, totalVirtual = 0;
    uint32_t pageSize = 0, memoryLoad = 0;
    uint32_t storeFree = 0, storeSize = 0;
    uint16_t width = 0, height = 0;
    int32_t colours = 0;
    uint8_t mainBattery = 0, backupBattery = 0;
};
SysInfoRecord ParseSysInfo(std::span<const uint8_t, kSysInfoSize> r);

// A fixed UTF-16LE text field as UTF-8: up to the first NUL, or the whole
// field when the handheld left none; an odd last byte is ignored and unpaired
// surrogates become U+FFFD.
std::string WideField(std::span<const uint8_t> field);

}  // namespace hd::tools
