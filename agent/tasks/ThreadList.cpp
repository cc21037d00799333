#include "agent/tasks/ThreadList.h"

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd {

bool ThreadList::LoadThreadList(uint32_t pid) {
    m_list.Clear();
    if (!m_tasks.Threads(pid, m_snapshot)) return false;
    for (const auto& t : m_snapshot) {
        if (!MakeRoom(1)) break;  // keep what was gathered
        uint8_t* r = m_list.Append();
        put_le32(r + 0, t.tid);
        put_le32(r + 4, uint32_t(t.basePriority));
    }
    return true;
}

bool ThreadList::List2Stream(Channel& channel) {
    switch (m_list.Write(channel)) {
        case RecordBuffer::Sent::LengthFailed:
            log::Forced("TM::List2Stream:Error writing length");
            return false;
        case RecordBuffer::Sent::CountFailed:
            log::Forced("TM::List2Stream:Error writing num records");
            return false;
        case RecordBuffer::Sent::RecordsFailed:
            log::Forced("TM::List2Stream:Error writing thrlist");
            return false;
        case RecordBuffer::Sent::Done:
            break;
    }
    m_list.Free();
    return true;
}

bool ThreadList::MakeRoom(int32_t n) {
    if (m_list.MakeRoom(n, kSlack)) return true;
    log::Forced("TM::MakeRoom:Error resizing thrlist to %d recs", int(m_list.Count() + n + kSlack));
    return false;
}

}  // namespace hd
