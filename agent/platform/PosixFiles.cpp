#include "agent/platform/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "agent/platform/FileNames.h"
#include "agent/platform/ReplacementFile.h"
#include "agent/platform/Wildcard.h"

namespace hd::platform {

namespace {

// What an entry's record needs of its status, from statx or, where the
// kernel lacks it, from fstatat (no creation time then).
struct Status {
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    uint64_t size = 0;
    uint64_t ino = 0;
    int64_t atime = 0, mtime = 0, btime = 0;
    uint32_t atimeNs = 0, mtimeNs = 0, btimeNs = 0;
    bool hasBirth = false;
};

bool StatAt(int dirfd, const char* path, int flags, Status& out) {
    struct statx sx;
    if (::statx(dirfd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        out.mode = sx.stx_mode;
        out.uid = sx.stx_uid;
        out.gid = sx.stx_gid;
        out.size = sx.stx_size;
        out.ino = sx.stx_ino;
        out.atime = sx.stx_atime.tv_sec, out.atimeNs = sx.stx_atime.tv_nsec;
        out.mtime = sx.stx_mtime.tv_sec, out.mtimeNs = sx.stx_mtime.tv_nsec;
        out.hasBirth = sx.stx_mask & STATX_BTIME;
        out.btime = sx.stx_btime.tv_sec, out.btimeNs = sx.stx_btime.tv_nsec;
        return true;
    }
    if (errno != ENOSYS) return false;
    struct stat st;
    if (::fstatat(dirfd, path, &st, flags) != 0) return false;
    out.mode = st.st_mode;
    out.uid = st.st_uid;
    out.gid = st.st_gid;
    out.size = uint64_t(st.st_size);
    out.ino = st.st_ino;
    out.atime = st.st_atim.tv_sec, out.atimeNs = uint32_t(st.st_atim.tv_nsec);
    out.mtime = st.st_mtim.tv_sec, out.mtimeNs = uint32_t(st.st_mtim.tv_nsec);
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whole counts: reads stop early only at the end of the file.
int64_t ReadAll(int fd, uint8_t* data, uint64_t count) {
    uint64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, data + done, std::min<uint64_t>(count - done, 1u << 30));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += uint64_t(n);
    }
    return int64_t(done);
}

int64_t WriteAll(int fd, const uint8_t* data, uint64_t count) {
    uint64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, data + done, std::min<uint64_t>(count - done, 1u << 30));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done ? int64_t(done) : -1;
        done += uint64_t(n);
    }
    return int64_t(done);
}

class PosixFileHandle : public FileHandle {
public:
    explicit PosixFileHandle(UniqueFd fd) : m_fd(std::move(fd)) {}

    int64_t Size() override {
        struct stat st;
        return ::fstat(m_fd.Get(), &st) == 0 ? int64_t(st.st_size) : -1;
    }
    int64_t Read(uint8_t* data, uint64_t count) override {
        return ReadAll(m_fd.Get(), data, count);
    }
    int64_t Write(const uint8_t* data, uint64_t count) override {
        return WriteAll(m_fd.Get(), data, count);
    }

private:
    UniqueFd m_fd;
};

// Device nodes, FIFOs and sockets are never opened: opening some of them
// acts on the device.
bool IsSpecial(const RootFolder::Entry& entry) {
    struct stat st;
    if (!entry.exists ||
        ::fstatat(entry.folder.Get(), entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW))
        return false;
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode);
}

bool Creatable(const std::string& name) {
    std::u32string wide;
    return Utf8ToUtf32(name, wide) && IsCreatableName(wide);
}

}  // namespace

Credentials Credentials::Current() {
    Credentials c;
    c.uid = ::geteuid();
    c.gid = ::getegid();
    const int n = ::getgroups(0, nullptr);
    if (n > 0) {
        c.groups.resize(size_t(n));
        c.groups.resize(size_t(std::max(0, ::getgroups(n, c.groups.data()))));
    }
    return c;
}

uint32_t AttributesFor(mode_t mode, uid_t owner, gid_t group, std::string_view name,
                       const Credentials& who) {
    uint32_t attributes = S_ISDIR(mode) ? kAttrDirectory : kAttrArchive;
    bool writable;
    if (who.uid == 0)
        writable = true;
    else if (owner == who.uid)
        writable = mode & S_IWUSR;
    else if (group == who.gid ||
             std::find(who.groups.begin(), who.groups.end(), group) != who.groups.end())
        writable = mode & S_IWGRP;
    else
        writable = mode & S_IWOTH;
    if (!writable) attributes |= kAttrReadOnly;
    if (name.size() > 0 && name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
    return attributes;
}

uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
    constexpr int64_t kEpochDelta = 11644473600;  // seconds from 1601 to 1970
    if (seconds < -kEpochDelta) return 0;
    return uint64_t(seconds + kEpochDelta) * 10000000u + nanoseconds / 100;
}

PosixFiles::PosixFiles(std::string root, RootFolder::Mode mode)
    : m_root(std::move(root), mode), m_credentials(Credentials::Current()) {}

bool PosixFiles::Fail(int error) {
    m_lastError = error ? error : EIO;
    return false;
}

bool PosixFiles::Parse(std::u16string_view path, std::vector<std::string>& elements) {
    switch (SplitDevicePath(path, elements)) {
        case PathResult::Ok:
            return true;
        case PathResult::Escapes:
            return Fail(EACCES);
        case PathResult::Invalid:
            break;
    }
    return Fail(EINVAL);
}

bool PosixFiles::Locate(std::u16string_view path, RootFolder::Entry& entry) {
    std::vector<std::string> elements;
    if (!Parse(path, elements)) return false;
    return m_root.Locate(elements, entry) || Fail(errno);
}

bool PosixFiles::Describe(int folder, const std::string& rel, const char* name, bool atRoot,
                          FindData& out) {
    Status s;
    bool ok;
    if (std::strcmp(name, ".") == 0) ok = StatAt(folder, "", AT_EMPTY_PATH, s);
    // The root's parent lies outside: seen from the root, ".." is the root.
    else if (std::strcmp(name, "..") == 0 && atRoot)
        ok = StatAt(m_root.Fd(), "", AT_EMPTY_PATH, s);
    else
        ok = StatAt(folder, name, AT_SYMLINK_NOFOLLOW, s);
    if (!ok) return false;
    if (S_ISLNK(s.mode)) {
        // A link inside the root shows what it leads to; any other link shows
        // itself, as a file that cannot be opened.
        UniqueFd target = m_root.OpenPathBeneath(rel, name);
        Status t;
        if (target.Valid() && StatAt(target.Get(), "", AT_EMPTY_PATH, t)) s = t;
    }
    out.attributes = AttributesFor(s.mode, s.uid, s.gid, name, m_credentials);
    out.lastAccessTime = FileTimeFromUnix(s.atime, s.atimeNs);
    out.lastWriteTime = FileTimeFromUnix(s.mtime, s.mtimeNs);
    out.creationTime = s.hasBirth ? FileTimeFromUnix(s.btime, s.btimeNs) : out.lastWriteTime;
    out.size = S_ISDIR(s.mode) ? 0 : s.size;
    out.oid = uint32_t(s.ino ^ (s.ino >> 32));
    return true;
}

bool PosixFiles::Find(std::u16string_view pattern,
                      const std::function<bool(const FindData&)>& visit) {
    std::vector<std::string> elements;
    if (!Parse(pattern, elements)) return false;
    if (elements.empty()) return Fail(ENOENT);  // "\" names no entry to match
    std::u32string wanted, name;
    Utf8ToUtf32(elements.back(), wanted);
    elements.pop_back();
    std::string rel;
    UniqueFd folder = m_root.OpenFolder(elements, rel);
    if (!folder.Valid()) return Fail(errno);
    struct stat here, root;
    const bool atRoot = ::fstat(folder.Get(), &here) == 0 && ::fstat(m_root.Fd(), &root) == 0 &&
                        SameFile(here, root);
    DIR* dir = ::fdopendir(folder.Get());
    if (!dir) return Fail(errno);
    folder.Release();
    bool any = false;
    while (const dirent* e = ::readdir(dir)) {
        // A name that is not UTF-8 cannot be shown or named by the desktop.
        if (!Utf8ToUtf32(e->d_name, name) || !WildcardMatch(wanted, name)) continue;
        FindData data;
        if (!Describe(::dirfd(dir), rel, e->d_name, atRoot, data)) continue;  // gone meanwhile
        data.name = Utf32ToUtf16(name);
        any = true;
        if (!visit(data)) break;
    }
    ::closedir(dir);
    return any || Fail(ENOENT);
}

UniqueFd PosixFiles::OpenRegular(std::u16string_view path, struct stat& st) {
    RootFolder::Entry entry;
    if (!Locate(path, entry)) return {};
    if (!entry.exists || IsSpecial(entry)) {
        Fail(entry.exists ? EACCES : ENOENT);
        return {};
    }
    // Non-blocking, so that a FIFO cannot stall the command thread.
    UniqueFd fd = m_root.Open(entry, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
        Fail(errno);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        Fail(S_ISDIR(st.st_mode) ? EISDIR : EACCES);
        return {};
    }
    return fd;
}

std::unique_ptr<FileHandle> PosixFiles::OpenForReading(std::u16string_view path) {
    struct stat st;
    UniqueFd fd = OpenRegular(path, st);
    if (!fd.Valid()) return nullptr;
    return std::make_unique<PosixFileHandle>(std::move(fd));
}

std::unique_ptr<FileHandle> PosixFiles::CreateAlways(std::u16string_view path) {
    RootFolder::Entry entry;
    if (!Locate(path, entry)) return nullptr;
    if ((!entry.exists && !Creatable(entry.name)) || IsSpecial(entry)) {
        Fail(entry.exists ? EACCES : EINVAL);
        return nullptr;
    }
    // Truncated only once it is known to be a regular file.
    UniqueFd fd = m_root.Open(entry, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY, 0666);
    struct stat st;
    int error = 0;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EACCES;
    else if (::ftruncate(fd.Get(), 0) != 0)
        error = errno;
    if (error) {
        Fail(error);
        return nullptr;
    }
    return std::make_unique<PosixFileHandle>(std::move(fd));
}

bool PosixFiles::Replaceable(const RootFolder::Entry& entry, struct stat& st) {
    // Opening for writing asks the file system itself (read-only files,
    // permissions); nothing is truncated.
    UniqueFd probe = m_root.Open(entry, O_WRONLY | O_NONBLOCK | O_NOCTTY);
    if (!probe.Valid() || ::fstat(probe.Get(), &st) != 0) return Fail(errno);
    return S_ISREG(st.st_mode) || Fail(EACCES);
}

bool PosixFiles::IsLink(const RootFolder::Entry& entry) {
    struct stat st;
    return ::fstatat(entry.folder.Get(), entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(st.st_mode);
}

WholeWrite PosixFiles::WriteWhole(std::u16string_view path, const uint8_t* data, uint64_t size) {
    RootFolder::Entry entry;
    if (!Locate(path, entry)) return WholeWrite::NotCreated;
    struct stat old {};
    if (entry.exists && !Replaceable(entry, old)) return WholeWrite::NotCreated;
    if (entry.exists && IsLink(entry)) {
        // A link is written through, in place, as before: renaming would
        // replace the link itself.
        auto file = CreateAlways(path);
        if (!file) return WholeWrite::NotCreated;
        return file->Write(data, size) == int64_t(size) ? WholeWrite::Done : WholeWrite::NotWritten;
    }
    if (!entry.exists && !Creatable(entry.name)) {
        Fail(EINVAL);
        return WholeWrite::NotCreated;
    }
    ReplacementFile file(entry.folder.Get(), entry.name);
    if (!file.Valid()) {
        Fail(errno);
        return WholeWrite::NotCreated;
    }
    if (entry.exists) ::fchmod(file.Fd(), old.st_mode & 07777);
    if (WriteAll(file.Fd(), data, size) != int64_t(size) || !file.Commit(false)) {
        Fail(errno ? errno : EIO);
        return WholeWrite::NotWritten;
    }
    return WholeWrite::Done;
}

bool PosixFiles::DeleteFile(std::u16string_view path) {
    RootFolder::Entry entry;
    if (!Locate(path, entry)) return false;
    if (!entry.exists) return Fail(ENOENT);
    return ::unlinkat(entry.folder.Get(), entry.name.c_str(), 0) == 0 || Fail(errno);
}

bool PosixFiles::CreateDirectory(std::u16string_view path) {
    RootFolder::Entry entry;
    if (!Locate(path, entry)) return false;
    if (entry.exists) return Fail(EEXIST);  // in any letter case
    if (!Creatable(entry.name)) return Fail(EINVAL);
    return ::mkdirat(entry.folder.Get(), entry.name.c_str(), 0777) == 0 || Fail(errno);
}

bool PosixFiles::RemoveDirectory(std::u16string_view path) {
    RootFolder::Entry entry;
    if (!Locate(path, entry)) return false;
    if (!entry.exists) return Fail(ENOENT);
    return ::unlinkat(entry.folder.Get(), entry.name.c_str(), AT_REMOVEDIR) == 0 || Fail(errno);
}

bool PosixFiles::CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists) {
    struct stat src;
    UniqueFd in = OpenRegular(from, src);
    if (!in.Valid()) return false;
    RootFolder::Entry entry;
    if (!Locate(to, entry)) return false;
    if (entry.exists && failIfExists) return Fail(EEXIST);
    if (!entry.exists && !Creatable(entry.name)) return Fail(EINVAL);
    if (IsSpecial(entry)) return Fail(EACCES);
    struct stat dst;
    if (entry.exists && !Replaceable(entry, dst)) return false;
    if (entry.exists && SameFile(src, dst)) return Fail(EINVAL);  // the source would be lost
    UniqueFd inPlace;
    std::unique_ptr<ReplacementFile> replacement;
    if (entry.exists && IsLink(entry)) {
        // A link is written through, in place: renaming would replace the link.
        inPlace = m_root.Open(entry, O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY);
        if (!inPlace.Valid()) return Fail(errno);
    } else {
        replacement = std::make_unique<ReplacementFile>(entry.folder.Get(), entry.name);
        if (!replacement->Valid()) return Fail(errno);
    }
    const int out = replacement ? replacement->Fd() : inPlace.Get();
    bool ok = true;
    std::vector<uint8_t> buffer(1 << 16);
    while (ok) {
        const ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(out, buffer.data(), uint64_t(n)) == n;
    }
    // The copy keeps the source's permissions and last write time.
    if (ok) {
        ::fchmod(out, src.st_mode & 0777);
        const timespec times[2] = {{0, UTIME_OMIT}, src.st_mtim};
        ::futimens(out, times);
    }
    // With failIfExists the rename refuses a name that appeared meanwhile.
    if (ok && replacement) ok = replacement->Commit(failIfExists);
    return ok || Fail(errno ? errno : EIO);
}

bool PosixFiles::MoveFile(std::u16string_view from, std::u16string_view to) {
    RootFolder::Entry source, target;
    std::vector<std::string> elements;
    if (!Locate(from, source)) return false;
    if (!source.exists) return Fail(ENOENT);
    if (!Parse(to, elements) || !Locate(to, target)) return false;
    const std::string& name = elements.back();  // the new name in the letter case asked for
    const int a = source.folder.Get(), b = target.folder.Get();
    if (target.exists) {
        struct stat sa, sb;
        const bool same = ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && SameFile(sa, sb) &&
                          source.name == target.name;
        if (!same) return Fail(EEXIST);
        if (name == source.name) return true;
        // Only the letter case changes: no other entry can be replaced.
        return ::renameat(a, source.name.c_str(), b, name.c_str()) == 0 || Fail(errno);
    }
    if (!Creatable(name)) return Fail(EINVAL);
    if (::renameat2(a, source.name.c_str(), b, name.c_str(), RENAME_NOREPLACE) == 0) return true;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS) return Fail(error);
    // A file system without RENAME_NOREPLACE: a hard link refuses an existing
    // name just as well (files only; a folder stays where it is).
    if (::linkat(a, source.name.c_str(), b, name.c_str(), 0) != 0) return Fail(error);
    ::unlinkat(a, source.name.c_str(), 0);
    return true;
}

}  // namespace hd::platform

namespace hd::platform {

std::unique_ptr<Files> CreateFiles(const std::string& root) {
    return std::make_unique<PosixFiles>(root);
}

}  // namespace hd::platform
