// ReplacementFile: a file written beside its destination under a temporary
// name and renamed into place only once it is complete, so a full disk or a
// failed write leaves the old file as it was and no partial file behind.
// Used by PosixFiles on the HdInvoke thread, one per write; the temporary is
// removed when the object goes without a Commit.
#pragma once

#include <string>

#include "agent/platform/RootFolder.h"

namespace hd::platform {

class ReplacementFile {
public:
    // Creates the temporary in folder (a descriptor the caller keeps open);
    // Valid() is false, with errno set, when it cannot.
    ReplacementFile(int folder, std::string name);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool Valid() const { return m_fd.Valid(); }
    int Fd() const { return m_fd.Get(); }
    // Flushes the bytes to the disk and renames the file into place,
    // replacing what is there, or with noReplace failing with EEXIST when
    // the name exists. False with errno set.
    bool Commit(bool noReplace);

    // The temporary names start with this (hidden, and never a user's name).
    static constexpr const char* kPrefix = ".hdpart-";

private:
    const int m_folder;
    const std::string m_name;
    std::string m_temp;
    UniqueFd m_fd;
    bool m_committed = false;
};

}  // namespace hd::platform
