#include "agent/tasks/TaskList.h"

#include <string_view>

#include "agent/tasks/RecordFields.h"
#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd {

TaskList::TaskList(platform::Tasks& tasks, platform::SystemInfo& system)
    : m_tasks(tasks),
      m_list(kTaskRecordSize),
      m_threads(tasks),
      m_modules(tasks),
      m_sysInfo(system) {
    m_list.MakeRoom(0, kInitialTasks);  // a failure here only means growth later
}

bool TaskList::Loadtsklist() {
    if (!m_tasks.Processes(m_processes)) {
        log::Forced("AM::Loadtsklist:Error getting process snapshot");
        return false;
    }
    m_list.Clear();
    for (const auto& p : m_processes) {
        if (!MakeRoom(1)) break;  // keep what was gathered
        uint8_t* r = m_list.Append();
        put_le32(r + 0, p.usage);
        put_le32(r + 4, p.pid);
        put_le32(r + 8, p.parentPid);
        put_le32(r + 12, p.threads);
        put_le32(r + 16, p.moduleId);
        put_le32(r + 28, 0);
        std::string_view exe = p.exe;
        if (const size_t slash = exe.rfind('\\'); slash != std::string_view::npos)
            exe.remove_prefix(slash + 1);
        PutWideText(r + 36, kTaskTextUnits, exe);
    }

    // The window pass: each visible window of a listed process becomes that
    // task's window; the last one seen wins, a titled one only for the title.
    m_tasks.Windows(m_windows);
    for (const auto& w : m_windows) {
        if (w.threadId == 0 || !w.visible) continue;
        const int32_t i = FindProcess(w.pid);
        if (i < 0) continue;
        uint8_t* r = m_list.Record(i);
        put_le32(r + 32, w.handle);
        if (!w.title.empty()) PutWideText(r + 164, kTaskTextUnits, w.title);
    }
    return true;
}

int32_t TaskList::FindProcess(uint32_t pid) const {
    for (int32_t i = 0; i < m_list.Count(); ++i)
        if (get_le32(m_list.Record(i) + 4) == pid) return i;
    return -1;
}

bool TaskList::tsklist2Stream(Channel& channel) {
    switch (m_list.Write(channel)) {
        case RecordBuffer::Sent::LengthFailed:
            log::Forced("AM::tsklist2Stream:Error length to stream");
            return false;
        case RecordBuffer::Sent::CountFailed:
            log::Forced("AM::tsklist2Stream:Error writing num records to stream");
            return false;
        case RecordBuffer::Sent::RecordsFailed:
            log::Forced("AM::tsklist2Stream:Error writing tsklist to stream");
            return false;
        case RecordBuffer::Sent::Done:
            return true;
    }
    return false;
}

bool TaskList::MakeRoom(int32_t n) {
    if (m_list.MakeRoom(n, kSlack)) return true;
    log::Forced("AM::MakeRoom:Error resizing tsklist to %d recs", int(m_list.Count() + n + kSlack));
    return false;
}

bool TaskList::ActivateTask(uint32_t index) {
    if (index >= uint32_t(m_list.Count())) return true;
    const uint8_t* r = m_list.Record(int32_t(index));
    const uint32_t window = get_le32(r + 32);
    if (window != 0 && HasWideText(r + 164)) m_tasks.Activate(window);
    return true;
}

bool TaskList::KillTask(uint32_t index) {
    if (index >= uint32_t(m_list.Count())) return true;
    const uint8_t* r = m_list.Record(int32_t(index));
    const uint32_t window = get_le32(r + 32);
    const uint32_t pid = get_le32(r + 4);
    if (window != 0) m_tasks.PostClose(window);
    m_tasks.Terminate(pid);  // at once: the close request is not waited for
    Loadtsklist();
    return true;
}

}  // namespace hd
