// RemoteModuleList (log tag "MM"): the desktop's copy of the module list of one process, read after
// the threads-and-modules request. Embedded in the task list RemoteTaskList, used on the
// user-interface thread under the command lock; it points at the connection
// object but never owns it.
#pragma once

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/manager/ListBuffer.h"
#include "desktop/tools/manager/TaskRecords.h"

namespace hd::tools {

class RemoteModuleList {
public:
    RemoteModuleList() : m_list(kModuleRecordSize, kSlack, {"MM", "PullList", "modlist"}) {}

    void SetConnection(desktop::DesktopChannel* channel) { m_channel = channel; }
    // Reads one module list reply (the request was written by RemoteTaskList).
    bool PullList();

    int32_t Count() const { return m_list.Count(); }
    int32_t Capacity() const { return m_list.Capacity(); }
    // Record i, 0 <= i < Count().
    ModuleRecord Module(int32_t i) const {
        return ParseModule(m_list.Record(i).first<kModuleRecordSize>());
    }

    static constexpr int32_t kSlack = 10;

private:
    desktop::DesktopChannel* m_channel = nullptr;
    ListBuffer m_list;
};

}  // namespace hd::tools
