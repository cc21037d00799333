#include "desktop/tools/dos/RemoteDosFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include "desktop/tools/files/RemoteFiles.h"

namespace hd::tools {

RecordList RemoteDosFiles::List(const std::string& path) {
    std::string native;
    RecordList out;
    if (!m_drives.ToNative(path, native) || !RemoteFiles::ReadRecs(m_channel, native, out))
        return {};
    return out;
}

DosFiles::Probe RemoteDosFiles::DeviceFolder(const std::string& devicePath) {
    bool exists = false;
    if (!RemoteFiles::Cd(m_channel, devicePath, exists)) return Probe::Failed;
    return exists ? Probe::Exists : Probe::Missing;
}

bool RemoteDosFiles::DesktopFolder(const std::string& path) {
    // The process's own current directory stays: every path the console
    // hands on is absolute, so it only needs to know the folder can be entered.
    std::string native;
    struct stat st;
    return m_drives.ToNative(path, native) && !native.empty() && native[0] != '1' &&
           ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(native.c_str(), X_OK) == 0;
}

bool RemoteDosFiles::Exists(const std::string& path) {
    std::string native;
    bool found = false;
    FileRecord record;
    return m_drives.ToNative(path, native) &&
           RemoteFiles::GetFileInfo(m_channel, native, found, record) && found;
}

bool RemoteDosFiles::MkDir(const std::string& path) {
    std::string native;
    bool ok = false;
    return m_drives.ToNative(path, native) && RemoteFiles::MkDir(m_channel, native, ok) && ok;
}

bool RemoteDosFiles::RmDir(const std::string& path) {
    std::string native;
    bool ok = false;
    return m_drives.ToNative(path, native) && RemoteFiles::RmDir(m_channel, native, ok) && ok;
}

bool RemoteDosFiles::Delete(const std::string& path) {
    std::string native;
    bool ok = false;
    return m_drives.ToNative(path, native) && RemoteFiles::FileDelete(m_channel, native, ok) && ok;
}

bool RemoteDosFiles::Copy(const std::string& src, const std::string& dst, bool overwrite) {
    std::string from, to;
    return m_drives.ToNative(src, from) && m_drives.ToNative(dst, to) &&
           RemoteFiles::FileCopy(m_channel, from, to, overwrite);
}

}  // namespace hd::tools
