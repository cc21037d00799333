// ThreadList (log tag "TM"): the thread list of one process, loaded for HC_GETTHRANDMODLISTS and
// sent at once. Embedded in the task list TaskList; used on the HdInvoke thread
// only. It holds no memory between requests: a complete send frees the list.
#pragma once

#include <cstdint>
#include <vector>

#include "agent/platform/Tasks.h"
#include "agent/tasks/RecordBuffer.h"
#include "common/Channel.h"

namespace hd {

// Thread record, 8 bytes, little-endian:
//   0  u32  thread identifier
//   4  i32  base priority
constexpr uint32_t kThreadRecordSize = 8;

class ThreadList {
public:
    explicit ThreadList(platform::Tasks& tasks) : m_tasks(tasks), m_list(kThreadRecordSize) {}

    // False (without a log line) when no thread snapshot can be taken.
    bool LoadThreadList(uint32_t pid);
    bool List2Stream(Channel& channel);
    bool MakeRoom(int32_t n);

    const RecordBuffer& List() const { return m_list; }

    static constexpr int32_t kSlack = 5;

private:
    platform::Tasks& m_tasks;
    RecordBuffer m_list;
    std::vector<platform::ThreadEntry> m_snapshot;
};

}  // namespace hd
