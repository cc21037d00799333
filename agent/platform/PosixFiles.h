// PosixFiles: the device's file system as the handheld's file calls see it,
// over a POSIX folder that stands for "\". Names match case-insensitively,
// entries carry Windows attributes and FILETIMEs, a rename never replaces and
// a fail-if-exists copy refuses atomically, and whole writes and copies reach
// their name only complete (ReplacementFile). Every name is resolved through
// RootFolder, so nothing outside the root is ever reached. HdInvoke thread,
// one call at a time; owned by the file service.
#pragma once

#include <sys/types.h>

#include <string_view>
#include <vector>

#include "agent/platform/Files.h"
#include "agent/platform/RootFolder.h"

namespace hd::platform {

// Whose write permission decides the read-only attribute.
struct Credentials {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    static Credentials Current();
};

// Attributes of an entry from its mode: directory or archive, read-only when
// these credentials may not write it, hidden for a name starting with a dot
// ("." and ".." excepted).
uint32_t AttributesFor(mode_t mode, uid_t owner, gid_t group, std::string_view name,
                       const Credentials& who);
// Seconds and nanoseconds since 1970 as a FILETIME; 0 before 1601.
uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);

class PosixFiles : public Files {
public:
    explicit PosixFiles(std::string root, RootFolder::Mode mode = RootFolder::Mode::Auto);

    bool Find(std::u16string_view pattern,
              const std::function<bool(const FindData&)>& visit) override;
    std::unique_ptr<FileHandle> OpenForReading(std::u16string_view path) override;
    std::unique_ptr<FileHandle> CreateAlways(std::u16string_view path) override;
    WholeWrite WriteWhole(std::u16string_view path, const uint8_t* data, uint64_t size) override;
    bool DeleteFile(std::u16string_view path) override;
    bool CreateDirectory(std::u16string_view path) override;
    bool RemoveDirectory(std::u16string_view path) override;
    bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists) override;
    bool MoveFile(std::u16string_view from, std::u16string_view to) override;
    int LastError() const override { return m_lastError; }

    // True when symbolic links inside the root are followed (openat2).
    bool FollowsLinksInsideRoot() const { return m_root.UsesOpenat2(); }

private:
    bool Fail(int error);
    bool Parse(std::u16string_view path, std::vector<std::string>& elements);
    bool Locate(std::u16string_view path, RootFolder::Entry& entry);
    // A regular file opened for reading, with its status.
    UniqueFd OpenRegular(std::u16string_view path, struct stat& st);
    // Checks that an existing destination may be replaced (a regular file
    // these credentials may write) and takes its status; true when it may.
    bool Replaceable(const RootFolder::Entry& entry, struct stat& st);
    // True when the destination is a link (inside the root), written through.
    static bool IsLink(const RootFolder::Entry& entry);
    bool Describe(int folder, const std::string& rel, const char* name, bool atRoot, FindData& out);

    RootFolder m_root;
    Credentials m_credentials;
    int m_lastError = 0;
};

}  // namespace hd::platform
