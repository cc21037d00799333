#include "agent/tasks/ModuleList.h"

#include "agent/tasks/RecordFields.h"
#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd {

bool ModuleList::LoadModuleList(uint32_t pid) {
    m_list.Clear();
    if (!m_tasks.Modules(pid, m_snapshot)) return false;
    for (const auto& m : m_snapshot) {
        if (!MakeRoom(1)) break;  // keep what was gathered
        uint8_t* r = m_list.Append();
        put_le32(r + 0, AddressField(m.base));
        put_le32(r + 4, AmountField(m.size));
        put_le32(r + 8, m.globalUsage);
        put_le32(r + 12, m.processUsage);
        put_le32(r + 16, AddressField(m.handle));
        PutWideText(r + 20, kModuleNameUnits, m.name);
    }
    return true;
}

bool ModuleList::List2Stream(Channel& channel) {
    switch (m_list.Write(channel)) {
        case RecordBuffer::Sent::LengthFailed:
            log::Forced("MM::List2Stream:Error writing length");
            return false;
        case RecordBuffer::Sent::CountFailed:
            log::Forced("MM::List2Stream:Error writing num records");
            return false;
        case RecordBuffer::Sent::RecordsFailed:
            log::Forced("MM::List2Stream:Error writing modlist");
            return false;
        case RecordBuffer::Sent::Done:
            break;
    }
    m_list.Free();
    return true;
}

bool ModuleList::MakeRoom(int32_t n) {
    if (m_list.MakeRoom(n, kSlack)) return true;
    log::Forced("MM::MakeRoom:Error resizing modlist to %d recs", int(m_list.Count() + n + kSlack));
    return false;
}

}  // namespace hd
