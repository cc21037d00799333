// What the DOS console asks of the two machines, in the console's own paths:
// "1:\..." on the handheld, "C:\..." on a desktop drive. RemoteDosFiles serves it
// with the remote file system client; a test may script it. Called on the
// console's thread; failures are logged by whoever serves the call.
#pragma once

#include <string>

#include "desktop/tools/files/Records.h"

namespace hd::tools {

class DosFiles {
public:
    enum class Probe { Exists, Missing, Failed };

    virtual ~DosFiles() = default;
    // The entries matching a pattern, a folder ending in '\' (everything in
    // it) or one entry; empty when nothing matched or the request failed.
    virtual RecordList List(const std::string& path) = 0;
    // Whether a bare handheld path (no "1:") names a folder; Failed when the
    // request itself did not complete.
    virtual Probe DeviceFolder(const std::string& devicePath) = 0;
    // Whether a desktop folder can be made current.
    virtual bool DesktopFolder(const std::string& path) = 0;
    // Whether an entry of that name exists.
    virtual bool Exists(const std::string& path) = 0;
    virtual bool MkDir(const std::string& path) = 0;
    virtual bool RmDir(const std::string& path) = 0;
    virtual bool Delete(const std::string& path) = 0;
    // One file in any direction; overwrite replaces an existing destination.
    virtual bool Copy(const std::string& src, const std::string& dst, bool overwrite) = 0;
};

}  // namespace hd::tools
