// The desktop halves of the file client, over POSIX calls. Links are never
// followed into folders: a link is listed as an entry of its own (with its
// target's size when that is a file), so a delete or copy of a folder never
// wanders out of it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/Log.h"
#include "desktop/tools/files/RemoteFilesInternal.h"

namespace hd::tools::remotefiles {

namespace {

constexpr uint32_t kAttrDevice = 0x40;
constexpr uint32_t kAttrReparsePoint = 0x400;
constexpr size_t kCopyChunk = 1u << 20;

bool HasWildcard(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

// '*' any run, '?' one byte; "*.*" matches every name, as on the handheld.
bool WildMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// A pattern as folder and last element ("/a/b*" -> "/a", "b*"; "x" -> ".", "x").
void SplitPattern(std::string_view pattern, std::string& folder, std::string& last) {
    const size_t slash = pattern.rfind('/');
    if (slash == std::string_view::npos) {
        folder = ".";
        last = pattern;
    } else {
        folder = slash == 0 ? "/" : std::string(pattern.substr(0, slash));
        last = pattern.substr(slash + 1);
    }
}

std::string WithWildcard(std::string_view path) {
    std::string s(path);
    if (!s.empty() && s.back() == '/') s += "*.*";
    return s;
}

// The record of one entry; false when it vanished meanwhile.
bool MakeRecord(const std::string& full, std::string_view name, FileRecord& record) {
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) return false;
    uint32_t attributes = 0;
    uint64_t size = 0;
    const struct stat* times = &st;
    struct stat target {};
    if (S_ISLNK(st.st_mode)) {
        attributes |= kAttrReparsePoint;
        if (::stat(full.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
            size = uint64_t(target.st_size);
            times = &target;
        }
    } else if (S_ISDIR(st.st_mode)) {
        attributes |= kAttrDirectory;
    } else if (S_ISREG(st.st_mode)) {
        size = uint64_t(st.st_size);
        if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
    } else {
        attributes |= kAttrDevice;  // fifo, socket, device: never read whole
    }
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kAttrHidden;
    if (attributes == 0) attributes = kAttrNormal;
    record = FileRecord::Desktop(
        attributes, size, FileTimeFromUnix(times->st_ctim.tv_sec, times->st_ctim.tv_nsec),
        FileTimeFromUnix(times->st_atim.tv_sec, times->st_atim.tv_nsec),
        FileTimeFromUnix(times->st_mtim.tv_sec, times->st_mtim.tv_nsec), name);
    return true;
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Calls visit(folder-joined path, name) for each entry matching pattern;
// visit returns false to stop. False when the folder cannot be read.
template <typename Visit>
bool Search(std::string_view pattern, Visit visit) {
    std::string folder, last;
    SplitPattern(pattern, folder, last);
    if (!HasWildcard(last)) {
        struct stat st {};
        const std::string path(pattern);
        if (last.empty() || ::lstat(path.c_str(), &st) != 0) return false;
        visit(path, std::string_view(last));
        return true;
    }
    DirHandle dir(::opendir(folder.c_str()));
    if (!dir) return false;
    while (dirent* e = ::readdir(dir.get())) {
        const std::string_view name(e->d_name);
        if (!WildMatch(last, name)) continue;
        if (!visit(JoinPath(folder, name), name)) break;
    }
    return true;
}

bool IsRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A temporary name beside path, made with O_EXCL; -1 when none can be made.
int CreateBeside(std::string_view path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = ParentPath(path);
    const std::string base = LastComponent(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = JoinPath(folder, "." + base + ".hdpart-" + std::to_string(::getpid()) + "-" +
                                    std::to_string(counter++));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const uint8_t* data, uint64_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<uint64_t>(size, 1u << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= uint64_t(n);
    }
    return true;
}

// Opens a regular file for reading; -1 (logged) otherwise.
int OpenSource(std::string_view path, struct stat& st) {
    const std::string p(path);
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Fail("CDOSEdit::Buf2File : Error opening file %s: %s", p.c_str(), std::strerror(errno));
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Fail("CDOSEdit::Buf2File : Error getting file size of %s (not a regular file)", p.c_str());
        ::close(fd);
        return -1;
    }
    return fd;
}

// Finishes a temporary file: closes it and renames it over path, or removes
// it when anything failed (the caller logged the write failure).
bool Finish(int fd, bool ok, const std::string& temp, std::string_view path) {
    if (::close(fd) != 0 && ok) {
        ok = false;
        Fail("CDOSEdit::Buf2File : Error writing dest file %s: %s", temp.c_str(),
             std::strerror(errno));
    }
    const std::string dest(path);
    if (ok && ::rename(temp.c_str(), dest.c_str()) != 0) {
        ok = false;
        Fail("CDOSEdit::Buf2File : Error creating destination file %s: %s", dest.c_str(),
             std::strerror(errno));
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

void WriteFailed(const std::string& temp) {
    Fail("CDOSEdit::Buf2File : Error writing dest file %s: %s", temp.c_str(), std::strerror(errno));
}

}  // namespace

bool ReadWholeFile(std::string_view path, uint64_t maxSize, GrowBuffer& dest, uint64_t& size) {
    struct stat st {};
    const int fd = OpenSource(path, st);
    if (fd < 0) return false;
    size = uint64_t(st.st_size);
    bool ok = size <= maxSize && grow::MakeRoom(dest, int64_t(size));
    if (!ok) {
        Fail("CDOSEdit::Buf2File : Error reading file %.*s (%llu bytes is too large)",
             int(path.size()), path.data(), static_cast<unsigned long long>(size));
    }
    uint64_t got = 0;
    while (ok && got < size) {
        const ssize_t n = ::read(fd, dest.block + dest.used + got, size_t(size - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("CDOSEdit::Buf2File : Error reading file %.*s", int(path.size()), path.data());
            ok = false;
        } else {
            got += uint64_t(n);
        }
    }
    ::close(fd);
    if (ok) dest.used += int32_t(size);
    return ok;
}

bool WriteWholeFile(std::string_view path, const uint8_t* data, uint64_t size) {
    std::string temp;
    const int fd = CreateBeside(path, temp);
    if (fd < 0) {
        Fail("CDOSEdit::Buf2File : Error creating destination file %.*s: %s", int(path.size()),
             path.data(), std::strerror(errno));
        return false;
    }
    const bool ok = WriteAll(fd, data, size);
    if (!ok) WriteFailed(temp);
    return Finish(fd, ok, temp, path);
}

bool DesktopReadRecs(std::string_view pattern, RecordList& out, bool dirsOnly) {
    out.Clear(false);
    Search(WithWildcard(pattern), [&](const std::string& full, std::string_view name) {
        FileRecord record;
        if (!MakeRecord(full, name, record)) return true;
        if (dirsOnly) {
            if (!record.IsDirectory()) return true;
            bool has = false;
            const bool searched = DesktopHasChildDirs(JoinPath(full, "*.*"), has);
            record.SetAttributes((record.Attributes() & ~kAttrHasSubdirs) |
                                 (searched && has ? kAttrHasSubdirs : 0));
        }
        out.Append(record);
        return true;
    });
    return !out.Empty();
}

bool DesktopHasChildDirs(std::string_view pattern, bool& has) {
    has = false;
    return Search(WithWildcard(pattern), [&](const std::string& full, std::string_view name) {
        has = name != "." && name != ".." && IsRealFolder(full);
        return !has;
    });
}

bool DesktopRename(std::string_view from, std::string_view to, bool& ok) {
    const std::string a(from), b(to);
    // The move fails on an existing destination, as the handheld's does.
    int r = ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE);
    if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
        struct stat st {};
        if (::lstat(b.c_str(), &st) == 0) {
            errno = EEXIST;
        } else {
            r = ::rename(a.c_str(), b.c_str());
        }
    }
    ok = r == 0;
    if (!ok)
        Fail("FS::RenameFile:Error renaming %s to %s: %s", a.c_str(), b.c_str(),
             std::strerror(errno));
    return true;
}

bool DesktopRmDir(std::string_view path, bool& ok) {
    const std::string p(path);
    ok = ::rmdir(p.c_str()) == 0;
    if (!ok) Fail("FS::RmDir:Error removing %s: %s", p.c_str(), std::strerror(errno));
    return true;
}

bool DesktopMkDir(std::string_view path, bool& ok) {
    const std::string p(path);
    ok = ::mkdir(p.c_str(), 0777) == 0;
    if (!ok) Fail("FS::MkDir:Error creating %s: %s", p.c_str(), std::strerror(errno));
    return true;
}

bool DesktopDelete(std::string_view path, bool& ok) {
    const std::string p(path);
    ok = ::unlink(p.c_str()) == 0;
    if (!ok) Fail("FS::FileDelete:Error deleting %s: %s", p.c_str(), std::strerror(errno));
    return true;
}

// Streams the file rather than holding it whole: the result is the same and
// a desktop copy has no size limit.
bool DesktopCopy(std::string_view from, std::string_view to) {
    struct stat st {};
    const int in = OpenSource(from, st);
    if (in < 0) return false;
    std::string temp;
    const int out = CreateBeside(to, temp);
    if (out < 0) {
        Fail("CDOSEdit::Buf2File : Error creating destination file %.*s: %s", int(to.size()),
             to.data(), std::strerror(errno));
        ::close(in);
        return false;
    }
    std::vector<uint8_t> chunk(kCopyChunk);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail("CDOSEdit::Buf2File : Error reading file %.*s", int(from.size()), from.data());
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!WriteAll(out, chunk.data(), uint64_t(n))) {
            WriteFailed(temp);
            ok = false;
            break;
        }
    }
    ::close(in);
    return Finish(out, ok, temp, to);
}

bool DesktopGetFileInfo(std::string_view path, bool& found, FileRecord& record) {
    found = false;
    std::string p(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    Search(p, [&](const std::string& full, std::string_view name) {
        found = MakeRecord(full, name, record);
        return !found;
    });
    return true;
}

}  // namespace hd::tools::remotefiles
