#include "agent/platform/RootFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "agent/platform/FileNames.h"

namespace hd::platform {

UniqueFd& UniqueFd::operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
        Reset();
        m_fd = o.Release();
    }
    return *this;
}

int UniqueFd::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::Reset() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

namespace {

constexpr uint64_t kBeneath = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;

int OpenAt2(int dirfd, const char* path, int flags, mode_t mode) {
    open_how how{};
    how.flags = uint64_t(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = kBeneath;
    return int(::syscall(SYS_openat2, dirfd, path, &how, sizeof how));
}

std::string Join(const std::string& rel, const std::string& name) {
    return rel.empty() ? name : rel + "/" + name;
}

// A fresh open of the folder: a duplicate would share the read position of
// a listing in progress.
UniqueFd Reopen(int folder) {
    return UniqueFd(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

RootFolder::RootFolder(std::string root, Mode mode) : m_path(std::move(root)) {
    Fd();
    if (mode == Mode::Auto) {
        // Kernels before 5.6, and sandboxes that filter the call, lack it.
        UniqueFd probe(OpenAt2(AT_FDCWD, ".", O_PATH, 0));
        m_openat2 = probe.Valid();
    }
}

int RootFolder::Fd() {
    // Opened again when the folder was missing at load and has appeared since.
    if (!m_root.Valid())
        m_root = UniqueFd(::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return m_root.Get();
}

UniqueFd RootFolder::OpenChild(int folder, const std::string& rel, const std::string& name,
                               int flags, mode_t mode) {
    if (m_openat2) return UniqueFd(OpenAt2(Fd(), Join(rel, name).c_str(), flags, mode));
    return UniqueFd(::openat(folder, name.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, mode));
}

UniqueFd RootFolder::OpenFolder(const std::vector<std::string>& elements, std::string& rel) {
    rel.clear();
    if (Fd() < 0) return {};
    UniqueFd current = Reopen(Fd());
    for (const std::string& element : elements) {
        if (!current.Valid()) return {};
        std::string real;
        if (!LookUp(current.Get(), element, real)) return {};
        UniqueFd next = OpenChild(current.Get(), rel, real, O_RDONLY | O_DIRECTORY, 0);
        rel = Join(rel, real);
        current = std::move(next);
    }
    return current;
}

bool RootFolder::Locate(const std::vector<std::string>& elements, Entry& entry) {
    if (elements.empty()) {  // the root itself is never a target
        errno = EACCES;
        return false;
    }
    const std::vector<std::string> folder(elements.begin(), elements.end() - 1);
    entry.folder = OpenFolder(folder, entry.folderRel);
    if (!entry.folder.Valid()) return false;
    entry.exists = LookUp(entry.folder.Get(), elements.back(), entry.name);
    if (!entry.exists) entry.name = elements.back();
    return true;
}

UniqueFd RootFolder::Open(const Entry& entry, int flags, mode_t mode) {
    return OpenChild(entry.folder.Get(), entry.folderRel, entry.name, flags, mode);
}

UniqueFd RootFolder::OpenPathBeneath(const std::string& rel, const std::string& name) {
    if (!m_openat2 || Fd() < 0) return {};
    return UniqueFd(OpenAt2(Fd(), Join(rel, name).c_str(), O_PATH, 0));
}

bool RootFolder::LookUp(int folder, const std::string& name, std::string& real) {
    struct stat st;
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        real = name;
        return true;
    }
    if (errno != ENOENT) return false;
    std::u32string wanted, candidate;
    if (!Utf8ToUtf32(name, wanted)) return false;
    UniqueFd fd = Reopen(folder);
    DIR* dir = fd.Valid() ? ::fdopendir(fd.Get()) : nullptr;
    if (!dir) return false;
    fd.Release();  // the DIR owns it now
    bool found = false;
    while (const dirent* e = ::readdir(dir)) {
        if (Utf8ToUtf32(e->d_name, candidate) && SameNameIgnoringCase(wanted, candidate)) {
            real = e->d_name;
            found = true;
            break;
        }
    }
    ::closedir(dir);
    if (!found) errno = ENOENT;
    return found;
}

}  // namespace hd::platform
