#include "desktop/tools/manager/RemoteTaskList.h"

#include <mutex>

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd::tools {

RemoteTaskList::RemoteTaskList()
    : m_list(kTaskRecordSize, kSlack, {"AM", "Pulltsklist", "tsklist"}) {
    m_list.MakeRoom(kInitialTasks);  // a failure here only means growth later
}

void RemoteTaskList::SetConnection(desktop::DesktopChannel* channel) {
    m_channel = channel;
    m_threads.SetConnection(channel);
    m_modules.SetConnection(channel);
    m_sysInfo.SetConnection(channel);
}

bool RemoteTaskList::Pulltsklist() {
    if (!m_channel) return false;
    std::lock_guard lock(m_channel->Lock());
    const uint8_t command = HC_GETTASKLIST;
    return m_channel->WriteBytes(&command, 1) && m_list.Pull(*m_channel, true);
}

bool RemoteTaskList::SendIndex(uint8_t command, int index) {
    if (index < 0 || index > 255) {
        // Cut to one byte it would name another task.
        log::Forced("AM::SendIndex:Error, task index %d out of range", index);
        return false;
    }
    const uint8_t bytes[2] = {command, uint8_t(index)};
    return m_channel->WriteBytes(bytes, 2);
}

bool RemoteTaskList::Activate(int index) {
    if (!m_channel) return false;
    return SendIndex(HC_ACTIVATETASK, index);
}

bool RemoteTaskList::Kill(int index) {
    if (!m_channel) return false;
    std::lock_guard lock(m_channel->Lock());
    return SendIndex(HC_KILLTASK, index) && m_list.Pull(*m_channel, false);
}

bool RemoteTaskList::GetThrAndModLists(uint32_t pid) {
    if (!m_channel) return false;
    std::lock_guard lock(m_channel->Lock());
    uint8_t bytes[5] = {HC_GETTHRANDMODLISTS};
    put_le32(bytes + 1, pid);  // the record's four bytes, in their order
    if (!m_channel->WriteBytes(bytes, 5)) return false;
    return m_threads.PullList() && m_modules.PullList();
}

uint32_t RemoteTaskList::ProcessId(int index) const {
    if (index < 0 || index >= Count()) return 0;
    return Task(index).pid;
}

bool RemoteTaskList::ExeName(int index, std::string& name) const {
    if (index < 0 || index >= Count()) return false;
    name = Task(index).exe;
    return true;
}

}  // namespace hd::tools
