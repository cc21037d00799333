// RemoteSystemInfo (log tag "SI"): the desktop's copy of the handheld's system-information record,
// pulled each time the System Information page is shown. Embedded in the task list RemoteTaskList,
// used on the user-interface thread; it points at the connection object but never owns it. A failed
// pull never leaves a half-replaced record.
#pragma once

#include <array>
#include <cstdint>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/manager/TaskRecords.h"

namespace hd::tools {

class RemoteSystemInfo {
public:
    void SetConnection(desktop::DesktopChannel* channel) { m_channel = channel; }
    // HC_GETSYSINFO: the length word, then the 244-byte record. On failure
    // the previous record stays (zeros before the first success).
    bool PullData();

    SysInfoRecord Info() const { return ParseSysInfo(m_record); }
    const std::array<uint8_t, kSysInfoSize>& Record() const { return m_record; }

private:
    desktop::DesktopChannel* m_channel = nullptr;
    std::array<uint8_t, kSysInfoSize> m_record{};
};

}  // namespace hd::tools
