// RecordBuffer: the block behind the task, thread and module lists, records
// of one fixed size back to back in C heap memory, with a capacity and a
// count in records, and the list reply that sends them. Owned by its list
// object and used on the HdInvoke thread only. It never holds more records
// than the reply's count byte can announce.
#pragma once

#include <cstdint>

#include "common/Channel.h"

namespace hd {

// The count byte of a list reply.
constexpr int32_t kMaxListRecords = 255;

class RecordBuffer {
public:
    explicit RecordBuffer(uint32_t recordSize) : m_recordSize(recordSize) {}
    ~RecordBuffer() { Free(); }
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;

    // Room for n more records keeping `slack` spare: when the capacity is
    // short the block becomes exactly count + n + slack records, the new tail
    // zeroed. False (nothing changed) when it cannot grow or the count would
    // pass kMaxListRecords.
    bool MakeRoom(int32_t n, int32_t slack);
    // Zeroes the whole block; the count becomes 0.
    void Clear();
    void Free();
    // The next record (already zero), counted; the caller made room for it.
    uint8_t* Append();
    const uint8_t* Record(int32_t i) const { return m_block + size_t(i) * m_recordSize; }
    uint8_t* Record(int32_t i) { return m_block + size_t(i) * m_recordSize; }
    int32_t Count() const { return m_count; }
    int32_t Capacity() const { return m_capacity; }
    uint32_t RecordSize() const { return m_recordSize; }

    // The list reply: big-endian length (count x record size + 1), the count
    // byte, the records. Which write failed, if any.
    enum class Sent { Done, LengthFailed, CountFailed, RecordsFailed };
    Sent Write(Channel& channel) const;

private:
    uint32_t m_recordSize;
    uint8_t* m_block = nullptr;
    int32_t m_capacity = 0;
    int32_t m_count = 0;
};

}  // namespace hd
