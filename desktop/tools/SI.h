// SI: the desktop's copy of the handheld's system-information record, pulled
// each time the System Information page is shown. Embedded in the task list
// AM, used on the user-interface thread; it points at the connection object
// but never owns it. A failed pull never leaves a half-replaced record.
#pragma once

#include <array>
#include <cstdint>

#include "desktop/session/HC.h"
#include "desktop/tools/TaskRecords.h"

namespace hd::tools {

class SI {
public:
    void SetConnection(desktop::HC* channel) { m_channel = channel; }
    // HC_GETSYSINFO: the length word, then the 244-byte record. On failure
    // the previous record stays (zeros before the first success).
    bool PullData();

    SysInfoRecord Info() const { return ParseSysInfo(m_record); }
    const std::array<uint8_t, kSysInfoSize>& Record() const { return m_record; }

private:
    desktop::HC* m_channel = nullptr;
    std::array<uint8_t, kSysInfoSize> m_record{};
};

}  // namespace hd::tools
