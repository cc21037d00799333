#include "desktop/tools/manager/ListBuffer.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/ByteOrder.h"
#include "common/Log.h"
#include "desktop/tools/manager/TaskRecords.h"

namespace hd::tools {

ListBuffer::ListBuffer(uint32_t recordSize, int32_t slack, ListNames names)
    : m_recordSize(recordSize), m_slack(slack), m_names(names) {}

ListBuffer::~ListBuffer() {
    std::free(m_block);
}

bool ListBuffer::MakeRoom(int32_t n) {
    const int64_t want = int64_t(n) + m_slack;
    if (n < 0 || n > kMaxListRecords) return false;
    if (m_capacity >= want) return true;
    void* grown = std::realloc(m_block, size_t(want) * m_recordSize);
    if (!grown) {
        log::Forced("%s::MakeRoom:Error resizing %s to %d recs", m_names.tag, m_names.list,
                    int(want));
        return false;
    }
    m_block = static_cast<uint8_t*>(grown);
    std::memset(m_block + size_t(m_capacity) * m_recordSize, 0,
                size_t(want - m_capacity) * m_recordSize);
    m_capacity = int32_t(want);
    return true;
}

void ListBuffer::Clear() {
    if (m_block) std::memset(m_block, 0, size_t(m_capacity) * m_recordSize);
    m_count = 0;
}

bool ListBuffer::Pull(desktop::DesktopChannel& channel, bool zeroIsError) {
    std::lock_guard lock(channel.Lock());
    const ListNames& n = m_names;
    uint8_t word[4];
    if (channel.ReadFully(word, 4) != READ_DONE) {
        log::Forced("%s::%s:Error reading length from stream", n.tag, n.pull);
        return false;
    }
    const uint32_t length = get_be32(word);
    if (length == 0) {
        // The handheld's empty reply: it has ended its command loop, so no
        // count byte follows.
        if (zeroIsError)
            log::Forced("%s::%s:Error, 0 byte %s returned from Pocket PC", n.tag, n.pull, n.list);
        else
            log::Forced("%s::%s:Error reading num length from stream", n.tag, n.pull);
        return false;
    }
    if (length > uint32_t(kMaxListRecords) * m_recordSize + 1) {
        log::Forced("%s::%s:Error, %u byte %s is longer than any list", n.tag, n.pull, length,
                    n.list);
        channel.Disconnect(true);
        return false;
    }
    uint8_t count = 0;
    if (channel.ReadFully(&count, 1) != READ_DONE) {
        log::Forced("%s::%s:Error reading num length from stream", n.tag, n.pull);
        return false;
    }
    if (length != uint32_t(count) * m_recordSize + 1) {
        log::Forced("%s::%s:Error, %u byte %s does not hold %d records", n.tag, n.pull, length,
                    n.list, int(count));
        channel.Disconnect(true);
        return false;
    }
    Clear();
    if (!MakeRoom(count)) {
        channel.Disconnect(true);  // the records cannot be taken off the channel
        return false;
    }
    if (count > 0 && channel.ReadFully(m_block, uint32_t(count) * m_recordSize) != READ_DONE) {
        Clear();  // no half-read records
        log::Forced("%s::%s:Error reading num length from stream", n.tag, n.pull);
        return false;
    }
    m_count = count;
    return true;
}

}  // namespace hd::tools
