// RemoteDosFiles: the DOS console's files served by the remote file system
// client. Handheld paths go to RemoteFiles as they are; desktop drive paths become
// native paths through the drive map first. Console thread only; borrows the
// command channel. A path on an unmapped drive fails without reaching RemoteFiles.
#pragma once

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/dos/DosFiles.h"
#include "desktop/tools/dos/DriveMap.h"

namespace hd::tools {

class RemoteDosFiles : public DosFiles {
public:
    RemoteDosFiles(desktop::DesktopChannel& channel, DriveMap drives)
        : m_channel(channel), m_drives(std::move(drives)) {}

    RecordList List(const std::string& path) override;
    Probe DeviceFolder(const std::string& devicePath) override;
    bool DesktopFolder(const std::string& path) override;
    bool Exists(const std::string& path) override;
    bool MkDir(const std::string& path) override;
    bool RmDir(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Copy(const std::string& src, const std::string& dst, bool overwrite) override;

    const DriveMap& Drives() const { return m_drives; }

private:
    desktop::DesktopChannel& m_channel;
    DriveMap m_drives;
};

}  // namespace hd::tools
