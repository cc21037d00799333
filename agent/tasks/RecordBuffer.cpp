#include "agent/tasks/RecordBuffer.h"

#include <cstdlib>
#include <cstring>

#include "common/ByteOrder.h"

namespace hd {

bool RecordBuffer::MakeRoom(int32_t n, int32_t slack) {
    if (n < 0 || int64_t(m_count) + n > kMaxListRecords) return false;
    const int64_t want = int64_t(m_count) + n + slack;
    if (m_capacity >= want) return true;
    void* grown = std::realloc(m_block, size_t(want) * m_recordSize);
    if (!grown) return false;
    m_block = static_cast<uint8_t*>(grown);
    std::memset(m_block + size_t(m_capacity) * m_recordSize, 0,
                size_t(want - m_capacity) * m_recordSize);
    m_capacity = int32_t(want);
    return true;
}

void RecordBuffer::Clear() {
    if (m_block) std::memset(m_block, 0, size_t(m_capacity) * m_recordSize);
    m_count = 0;
}

void RecordBuffer::Free() {
    std::free(m_block);
    m_block = nullptr;
    m_capacity = 0;
    m_count = 0;
}

uint8_t* RecordBuffer::Append() {
    return Record(m_count++);
}

RecordBuffer::Sent RecordBuffer::Write(Channel& channel) const {
    uint8_t length[4];
    put_be32(length, uint32_t(m_count) * m_recordSize + 1);
    if (!channel.WriteBytes(length, 4)) return Sent::LengthFailed;
    const uint8_t count = uint8_t(m_count);
    if (!channel.WriteBytes(&count, 1)) return Sent::CountFailed;
    if (m_count > 0 && !channel.WriteBytes(m_block, uint32_t(m_count) * m_recordSize))
        return Sent::RecordsFailed;
    return Sent::Done;
}

}  // namespace hd
