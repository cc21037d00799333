// ListBuffer: the desktop's copy of one of the handheld's lists (tasks,
// threads or modules): records of one size back to back in C heap memory,
// with a capacity and a count, and the reading of a list reply into it.
// Owned by its list object (RemoteTaskList, TM or MM) on the user-interface thread; the
// caller holds the command lock. It never stores more records than its block
// holds, and never reads a reply whose length and count disagree.
#pragma once

#include <cstdint>
#include <span>

#include "desktop/session/DesktopChannel.h"

namespace hd::tools {

// What a list's log lines are made of: "AM", "Pulltsklist", "tsklist".
struct ListNames {
    const char* tag;
    const char* pull;
    const char* list;
};

class ListBuffer {
public:
    ListBuffer(uint32_t recordSize, int32_t slack, ListNames names);
    ~ListBuffer();
    ListBuffer(const ListBuffer&) = delete;
    ListBuffer& operator=(const ListBuffer&) = delete;

    // Room for n records keeping the list's slack spare: a short block is
    // reallocated to exactly n + slack records with the new tail zeroed.
    // False (logged, nothing changed) when it cannot grow.
    bool MakeRoom(int32_t n);
    // Zeroes the whole block; the count becomes 0.
    void Clear();

    // Reads one list reply: big-endian length, count byte, the records.
    // zeroIsError: an empty reply (length 0) gets its "0 byte" line; without
    // it (the kill reply) it only fails. A failed read of the length or the
    // count leaves the list as it was; a failed read of the records leaves it
    // empty. A length the count does not explain means the channel is out of
    // step with the handheld: the connection is ended.
    bool Pull(desktop::DesktopChannel& channel, bool zeroIsError);

    int32_t Count() const { return m_count; }
    int32_t Capacity() const { return m_capacity; }
    uint32_t RecordSize() const { return m_recordSize; }
    // Record i, 0 <= i < Count().
    std::span<const uint8_t> Record(int32_t i) const {
        return {m_block + size_t(i) * m_recordSize, m_recordSize};
    }

private:
    const uint32_t m_recordSize;
    const int32_t m_slack;
    const ListNames m_names;
    uint8_t* m_block = nullptr;
    int32_t m_capacity = 0;
    int32_t m_count = 0;
};

}  // namespace hd::tools
