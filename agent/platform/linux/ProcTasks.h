// ProcTasks: a Linux device's tasks from /proc: every program's process
// (the kernel's own threads aside) with its executable name, threads from
// task/, modules (the mapped files with code) from maps. Linux offers no windows here, so every
// task is a background process; a kill is the close request (SIGTERM) followed at once by the end
// (SIGKILL). Made at agent load, used on the HdInvoke thread only. It never signals anything but
// one positive process identifier.
#pragma once

#include <string>

#include "agent/platform/Tasks.h"

namespace hd::platform {

class ProcTasks : public Tasks {
public:
    // procRoot: where the proc file system is mounted.
    explicit ProcTasks(std::string procRoot = "/proc") : m_proc(std::move(procRoot)) {}

    bool Processes(std::vector<ProcessEntry>& out) override;
    void Windows(std::vector<WindowEntry>& out) override { out.clear(); }
    bool Threads(uint32_t pid, std::vector<ThreadEntry>& out) override;
    // A process whose memory map this user may not read shows no modules.
    bool Modules(uint32_t pid, std::vector<ModuleEntry>& out) override;
    void Activate(uint32_t) override {}
    void PostClose(uint32_t) override {}
    // Waits a moment for the process to be gone, so that the list taken next
    // no longer shows it.
    bool Terminate(uint32_t pid) override;

private:
    std::string m_proc;
    std::string m_text;  // reused for the files read
    std::string m_more;
};

}  // namespace hd::platform
