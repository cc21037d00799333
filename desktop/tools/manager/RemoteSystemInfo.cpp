#include "desktop/tools/manager/RemoteSystemInfo.h"

#include <mutex>

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd::tools {

bool RemoteSystemInfo::PullData() {
    if (!m_channel) return false;
    std::lock_guard lock(m_channel->Lock());
    const uint8_t command = HC_GETSYSINFO;
    if (!m_channel->WriteBytes(&command, 1)) return false;
    uint8_t word[4];
    if (m_channel->ReadFully(word, 4) != READ_DONE) {
        log::Forced("SI::PullData:Error reading length from stream");
        return false;
    }
    const uint32_t length = get_be32(word);
    if (length == 0) {
        log::Forced("SI::PullData:Error, 0 byte thrlist returned from Pocket PC");
        return false;
    }
    if (length != kSysInfoSize) {
        // Whatever follows is not the record: the channel is out of step.
        log::Forced("SI::PullData:Error, %u byte sysinfo returned from Pocket PC", length);
        m_channel->Disconnect(true);
        return false;
    }
    std::array<uint8_t, kSysInfoSize> record;
    if (m_channel->ReadFully(record.data(), kSysInfoSize) != READ_DONE) {
        log::Forced("SI::PullData:Error reading num length from stream");
        return false;
    }
    m_record = record;
    return true;
}

}  // namespace hd::tools
