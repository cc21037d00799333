// RootFolder: the device root folder held open, and every name beneath it
// resolved by the kernel relative to that descriptor, element by element with
// case-insensitive lookup: openat2 with RESOLVE_BENEATH where the kernel has
// it (links that stay inside are followed), else openat with O_NOFOLLOW (no
// link is followed). Never checks a string and then opens it. One thread at a
// time; owned by the POSIX file backend.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

namespace hd::platform {

// A file descriptor closed when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& o) noexcept : m_fd(o.Release()) {}
    UniqueFd& operator=(UniqueFd&& o) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    void Reset();

private:
    int m_fd = -1;
};

class RootFolder {
public:
    enum class Mode { Auto, ComponentWalk };  // Auto: openat2 where the kernel has it

    RootFolder(std::string root, Mode mode);

    bool UsesOpenat2() const { return m_openat2; }

    // The last element of a path looked up in its folder.
    struct Entry {
        UniqueFd folder;        // the folder that holds it, opened beneath the root
        std::string folderRel;  // that folder's path from the root, "" for the root
        std::string name;       // the name on disk when it exists, else as given
        bool exists = false;
    };

    // Opens the folder the elements lead to (the root when there are none);
    // rel gets its path from the root. Fails with errno set.
    UniqueFd OpenFolder(const std::vector<std::string>& elements, std::string& rel);
    // Looks up the last element in the folder of the others; false (errno
    // set) when that folder cannot be opened or there is no last element.
    bool Locate(const std::vector<std::string>& elements, Entry& entry);
    // Opens a located entry with open(2) flags, never reaching outside.
    UniqueFd Open(const Entry& entry, int flags, mode_t mode = 0);
    // Opens rel/name as O_PATH beneath the root (links inside the root
    // followed); invalid when links are not followed or it leads outside.
    UniqueFd OpenPathBeneath(const std::string& rel, const std::string& name);
    // The root folder's descriptor (opened again when it was missing), or -1.
    int Fd();

    // The name in the folder that equals name, exactly or else ignoring case
    // (names that are not valid UTF-8 are passed over); false when none.
    static bool LookUp(int folder, const std::string& name, std::string& real);

private:
    UniqueFd OpenChild(int folder, const std::string& rel, const std::string& name, int flags,
                       mode_t mode);

    std::string m_path;
    UniqueFd m_root;
    bool m_openat2 = false;
};

}  // namespace hd::platform
