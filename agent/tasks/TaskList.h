// TaskList (log tag "AM"): the task list, one record per running process with its main window,
// rebuilt for HC_GETTASKLIST and HC_KILLTASK and kept so that activation and
// kill can name a task by its index in the list last sent. Embeds the thread
// list, the module list and the system information. Created at agent load,
// used on the HdInvoke thread only; it never acts on an index past its list.
#pragma once

#include <cstdint>
#include <vector>

#include "agent/platform/SystemInfo.h"
#include "agent/platform/Tasks.h"
#include "agent/tasks/ModuleList.h"
#include "agent/tasks/RecordBuffer.h"
#include "agent/tasks/SystemInfoReport.h"
#include "agent/tasks/ThreadList.h"
#include "common/Channel.h"

namespace hd {

// Task record, 292 bytes, little-endian:
//   0    u32  usage count             4    u32  process identifier
//   8    u32  parent identifier       12   u32  thread count
//   16   u32  module identifier       20   8    zero
//   28   u32  zero                    32   u32  main window handle, 0 when none
//   36   128  executable name, 64 UTF-16 units including the NUL
//   164  128  main window title, 64 UTF-16 units including the NUL
constexpr uint32_t kTaskRecordSize = 292;
constexpr size_t kTaskTextUnits = 64;
constexpr int32_t kInitialTasks = 15;

class TaskList {
public:
    TaskList(platform::Tasks& tasks, platform::SystemInfo& system);

    // False (with its log line) when no process snapshot can be taken; the
    // previous list stays.
    bool Loadtsklist();
    bool tsklist2Stream(Channel& channel);
    bool MakeRoom(int32_t n);
    // Both do nothing for an index at or past the count of the held list.
    bool ActivateTask(uint32_t index);
    bool KillTask(uint32_t index);

    ThreadList& Threads() { return m_threads; }
    ModuleList& Modules() { return m_modules; }
    SystemInfoReport& SysInfo() { return m_sysInfo; }
    const RecordBuffer& List() const { return m_list; }

    static constexpr int32_t kSlack = 0;

private:
    int32_t FindProcess(uint32_t pid) const;

    platform::Tasks& m_tasks;
    RecordBuffer m_list;
    ThreadList m_threads;
    ModuleList m_modules;
    SystemInfoReport m_sysInfo;
    std::vector<platform::ProcessEntry> m_processes;
    std::vector<platform::WindowEntry> m_windows;
};

}  // namespace hd
