#include "desktop/tools/FsDosFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include "desktop/tools/FS.h"

namespace hd::tools {

RecordList FsDosFiles::List(const std::string& path) {
    std::string native;
    RecordList out;
    if (!m_drives.ToNative(path, native) || !FS::ReadRecs(m_channel, native, out)) return {};
    return out;
}

DosFiles::Probe FsDosFiles::DeviceFolder(const std::string& devicePath) {
    bool exists = false;
    if (!FS::Cd(m_channel, devicePath, exists)) return Probe::Failed;
    return exists ? Probe::Exists : Probe::Missing;
}

bool FsDosFiles::DesktopFolder(const std::string& path) {
    // The process's own current directory stays: every path the console
    // hands on is absolute, so it only needs to know the folder can be entered.
    std::string native;
    struct stat st;
    return m_drives.ToNative(path, native) && !native.empty() && native[0] != '1' &&
           ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(native.c_str(), X_OK) == 0;
}

bool FsDosFiles::Exists(const std::string& path) {
    std::string native;
    bool found = false;
    FileRecord record;
    return m_drives.ToNative(path, native) && FS::GetFileInfo(m_channel, native, found, record) &&
           found;
}

bool FsDosFiles::MkDir(const std::string& path) {
    std::string native;
    bool ok = false;
    return m_drives.ToNative(path, native) && FS::MkDir(m_channel, native, ok) && ok;
}

bool FsDosFiles::RmDir(const std::string& path) {
    std::string native;
    bool ok = false;
    return m_drives.ToNative(path, native) && FS::RmDir(m_channel, native, ok) && ok;
}

bool FsDosFiles::Delete(const std::string& path) {
    std::string native;
    bool ok = false;
    return m_drives.ToNative(path, native) && FS::FileDelete(m_channel, native, ok) && ok;
}

bool FsDosFiles::Copy(const std::string& src, const std::string& dst, bool overwrite) {
    std::string from, to;
    return m_drives.ToNative(src, from) && m_drives.ToNative(dst, to) &&
           FS::FileCopy(m_channel, from, to, overwrite);
}

}  // namespace hd::tools
