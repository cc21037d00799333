// RemoteTaskList (log tag "AM"): the desktop's copy of the handheld's task list and the manager's
// requests (task list, activate, kill, threads and modules, system
// information). Embeds TM, MM and SI, all pointed at the same connection
// object. One per opening of the manager, used on the user-interface thread;
// each request holds the command lock until its reply has been read. It never
// sends a task index the one-byte field cannot carry.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/manager/ListBuffer.h"
#include "desktop/tools/manager/RemoteModuleList.h"
#include "desktop/tools/manager/RemoteSystemInfo.h"
#include "desktop/tools/manager/RemoteThreadList.h"
#include "desktop/tools/manager/TaskRecords.h"

namespace hd::tools {

class RemoteTaskList {
public:
    RemoteTaskList();  // 15 zeroed records, none counted

    // The connection whose command channel every request uses; null: each
    // request fails at once.
    void SetConnection(desktop::DesktopChannel* channel);

    // HC_GETTASKLIST and its list reply. A failed pull keeps or empties the
    // list as ListBuffer::Pull says.
    bool Pulltsklist();
    // HC_ACTIVATETASK: nothing is read back.
    bool Activate(int index);
    // HC_KILLTASK: the reply is the handheld's fresh list.
    bool Kill(int index);
    // HC_GETTHRANDMODLISTS for a process identifier as the task record
    // carried it; fills TM, then MM. The module reply is read even after an
    // empty thread list, so the channel stays in step.
    bool GetThrAndModLists(uint32_t pid);

    int32_t Count() const { return m_list.Count(); }
    int32_t Capacity() const { return m_list.Capacity(); }
    // Record i, 0 <= i < Count().
    TaskRecord Task(int32_t i) const {
        return ParseTask(m_list.Record(i).first<kTaskRecordSize>());
    }
    // The process identifier of record i; 0 for an index outside the list.
    uint32_t ProcessId(int index) const;
    // The executable name of record i; false for an index outside the list.
    bool ExeName(int index, std::string& name) const;

    RemoteThreadList& Threads() { return m_threads; }
    RemoteModuleList& Modules() { return m_modules; }
    RemoteSystemInfo& SysInfo() { return m_sysInfo; }
    const RemoteThreadList& Threads() const { return m_threads; }
    const RemoteModuleList& Modules() const { return m_modules; }

    static constexpr int32_t kSlack = 0;
    static constexpr int32_t kInitialTasks = 15;

private:
    bool SendIndex(uint8_t command, int index);

    desktop::DesktopChannel* m_channel = nullptr;
    ListBuffer m_list;
    RemoteThreadList m_threads;
    RemoteModuleList m_modules;
    RemoteSystemInfo m_sysInfo;
};

}  // namespace hd::tools
