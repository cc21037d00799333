// RemoteThreadList (log tag "TM"): the desktop's copy of the thread list of one process, read after
// the threads-and-modules request. Embedded in the task list RemoteTaskList, used on the
// user-interface thread under the command lock; it points at the connection
// object but never owns it.
#pragma once

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/manager/ListBuffer.h"
#include "desktop/tools/manager/TaskRecords.h"

namespace hd::tools {

class RemoteThreadList {
public:
    RemoteThreadList() : m_list(kThreadRecordSize, kSlack, {"TM", "PullList", "thrlist"}) {}

    void SetConnection(desktop::DesktopChannel* channel) { m_channel = channel; }
    // Reads one thread list reply (the request was written by RemoteTaskList).
    bool PullList();

    int32_t Count() const { return m_list.Count(); }
    int32_t Capacity() const { return m_list.Capacity(); }
    // Record i, 0 <= i < Count().
    ThreadRecord Thread(int32_t i) const {
        return ParseThread(m_list.Record(i).first<kThreadRecordSize>());
    }

    static constexpr int32_t kSlack = 5;

private:
    desktop::DesktopChannel* m_channel = nullptr;
    ListBuffer m_list;
};

}  // namespace hd::tools
