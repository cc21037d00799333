#include "agent/platform/ReplacementFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace hd::platform {

namespace {
std::atomic<unsigned> g_sequence{0};
}

ReplacementFile::ReplacementFile(int folder, std::string name)
    : m_folder(folder), m_name(std::move(name)) {
    for (int attempt = 0; attempt < 100 && !m_fd.Valid(); ++attempt) {
        m_temp = std::string(kPrefix) + std::to_string(::getpid()) + "-" +
                 std::to_string(g_sequence.fetch_add(1));
        m_fd = UniqueFd(::openat(m_folder, m_temp.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!m_fd.Valid() && errno != EEXIST) break;
    }
}

ReplacementFile::~ReplacementFile() {
    if (!m_committed && !m_temp.empty()) {
        const int error = errno;
        ::unlinkat(m_folder, m_temp.c_str(), 0);
        errno = error;
    }
}

bool ReplacementFile::Commit(bool noReplace) {
    if (!m_fd.Valid()) return false;
    if (::fdatasync(m_fd.Get()) != 0 && errno != EINVAL) return false;
    if (!noReplace) {
        if (::renameat(m_folder, m_temp.c_str(), m_folder, m_name.c_str()) != 0) return false;
    } else if (::renameat2(m_folder, m_temp.c_str(), m_folder, m_name.c_str(), RENAME_NOREPLACE) !=
               0) {
        if (errno != EINVAL && errno != ENOSYS) return false;
        // A file system without RENAME_NOREPLACE: a hard link refuses an
        // existing name just as well.
        if (::linkat(m_folder, m_temp.c_str(), m_folder, m_name.c_str(), 0) != 0) return false;
        ::unlinkat(m_folder, m_temp.c_str(), 0);
    }
    m_committed = true;
    return true;
}

}  // namespace hd::platform
