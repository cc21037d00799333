// ModuleList (log tag "MM"): the module list of one process, loaded for HC_GETTHRANDMODLISTS right
// after the thread list and sent at once. Embedded in the task list TaskList; used
// on the HdInvoke thread only. It holds no memory between requests, and never
// cuts a device address silently to fit its 32-bit field.
#pragma once

#include <cstdint>
#include <vector>

#include "agent/platform/Tasks.h"
#include "agent/tasks/RecordBuffer.h"
#include "common/Channel.h"

namespace hd {

// Module record, 152 bytes, little-endian:
//   0    u32  base address (0 when the address is wider than 32 bits)
//   4    u32  size in bytes (clamped to 0xFFFFFFFF)
//   8    u32  global usage count
//   12   u32  process usage count
//   16   u32  module handle (0 when wider than 32 bits)
//   20   132  name, 66 UTF-16 units including the NUL
constexpr uint32_t kModuleRecordSize = 152;
constexpr size_t kModuleNameUnits = 66;

class ModuleList {
public:
    explicit ModuleList(platform::Tasks& tasks) : m_tasks(tasks), m_list(kModuleRecordSize) {}

    // False (without a log line) when the process's modules cannot be listed.
    bool LoadModuleList(uint32_t pid);
    bool List2Stream(Channel& channel);
    bool MakeRoom(int32_t n);

    const RecordBuffer& List() const { return m_list; }

    static constexpr int32_t kSlack = 10;

private:
    platform::Tasks& m_tasks;
    RecordBuffer m_list;
    std::vector<platform::ModuleEntry> m_snapshot;
};

}  // namespace hd
