#include "agent/platform/linux/ProcTasks.h"

#include <dirent.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "agent/platform/linux/ProcFiles.h"

namespace hd::platform {

namespace {

constexpr int kGoneWaitMs = 250;

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// A directory entry that names a process or thread.
bool Id(const char* name, uint32_t& id) {
    if (*name < '1' || *name > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(name, &end, 10);
    if (errno || *end || v > INT_MAX) return false;
    id = uint32_t(v);
    return true;
}

bool ValidPid(uint32_t pid) {
    return pid > 0 && pid <= uint32_t(INT_MAX);
}

std::string ReadLink(const std::string& path) {
    char buf[4096];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    return n > 0 && size_t(n) < sizeof buf ? std::string(buf, size_t(n)) : std::string();
}

}  // namespace

bool ProcTasks::Processes(std::vector<ProcessEntry>& out) {
    out.clear();
    Dir dir(::opendir(m_proc.c_str()));
    if (!dir) return false;
    while (const dirent* e = ::readdir(dir.get())) {
        uint32_t pid;
        if (!Id(e->d_name, pid)) continue;
        const std::string base = m_proc + "/" + e->d_name;
        StatFields stat;
        // Gone since the folder was read, or ended and not yet reaped: no
        // task. Nor are the kernel's own threads, which no one can end.
        if (!ReadTextFile(base + "/stat", m_text, 4096) || !ParseStat(m_text, stat)) continue;
        if (stat.state == 'Z' || stat.state == 'X' || (stat.flags & kKernelThreadFlag)) continue;
        ReadTextFile(base + "/cmdline", m_more, 4096);
        out.push_back({1, pid, stat.ppid, stat.threads, 0,
                       ExeName(ReadLink(base + "/exe"), m_more, stat.comm)});
    }
    return true;
}

bool ProcTasks::Threads(uint32_t pid, std::vector<ThreadEntry>& out) {
    out.clear();
    if (!ValidPid(pid)) return true;
    const std::string base = m_proc + "/" + std::to_string(pid) + "/task";
    Dir dir(::opendir(base.c_str()));
    if (!dir) {
        // A process that does not exist (or is not ours to see) has no threads.
        return errno == ENOENT || errno == ESRCH || errno == EACCES;
    }
    while (const dirent* e = ::readdir(dir.get())) {
        uint32_t tid;
        StatFields stat;
        if (!Id(e->d_name, tid)) continue;
        if (!ReadTextFile(base + "/" + e->d_name + "/stat", m_text, 4096) ||
            !ParseStat(m_text, stat))
            continue;  // the thread has ended
        out.push_back({tid, stat.priority});
    }
    return true;
}

bool ProcTasks::Modules(uint32_t pid, std::vector<ModuleEntry>& out) {
    out.clear();
    if (!ValidPid(pid)) return false;
    const std::string path = m_proc + "/" + std::to_string(pid) + "/maps";
    std::FILE* f = std::fopen(path.c_str(), "re");
    if (!f) return errno == EACCES || errno == EPERM;
    // One module per mapped file with code in it, spanning all of that
    // file's mappings, in the order of its first mapping.
    struct Span {
        std::string key;  // device, inode and path
        bool code = false;
    };
    std::vector<Span> spans;
    char* line = nullptr;
    size_t cap = 0;
    ssize_t n;
    while ((n = ::getline(&line, &cap, f)) > 0) {
        MapsLine m;
        if (!ParseMapsLine(std::string_view(line, size_t(n)), m)) continue;
        if (m.inode == 0 || m.path.empty() || m.path.front() != '/') continue;
        std::string key = std::string(m.device) + " " + std::to_string(m.inode) + " ";
        key += m.path;
        size_t i = 0;
        while (i < spans.size() && spans[i].key != key) ++i;
        if (i == spans.size()) {
            spans.push_back({std::move(key)});
            out.push_back({m.start, 0, 0, 1, m.start, std::string(BaseName(m.path))});
        }
        ModuleEntry& module = out[i];
        const uint64_t end = std::max(module.base + module.size, m.end);
        module.base = std::min(module.base, m.start);
        module.size = end - module.base;
        module.handle = module.base;
        spans[i].code = spans[i].code || m.executable;
    }
    std::free(line);
    std::fclose(f);
    size_t kept = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        if (!spans[i].code) continue;
        if (kept != i) out[kept] = std::move(out[i]);
        ++kept;
    }
    out.resize(kept);
    return true;
}

bool ProcTasks::Terminate(uint32_t pid) {
    if (!ValidPid(pid)) return false;
    // A descriptor of the process itself, so both signals reach the same one
    // even if its number is reused meanwhile.
    // (Through syscall: this C library's header declares the wrappers
    // without C linkage.)
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0u));
    if (fd < 0) {
        if (errno != ENOSYS) return false;
        ::kill(pid_t(pid), SIGTERM);
        return ::kill(pid_t(pid), SIGKILL) == 0;
    }
    ::syscall(SYS_pidfd_send_signal, fd, SIGTERM, nullptr, 0u);
    const bool sent = ::syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0u) == 0;
    if (sent) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, kGoneWaitMs);
    }
    ::close(fd);
    return sent;
}

}  // namespace hd::platform
