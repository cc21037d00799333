// VirtualTasks: the virtual handheld's task table. Fixed system processes
// without windows (nk.exe, filesys.exe, device.exe, ...) and the shell's
// running applications, each owning one titled top-level window, with
// plausible threads and modules. Activation and kill reach the shell. Made at
// agent load, used on the HdInvoke thread only; it never ends a system process.
#pragma once

#include <map>

#include "agent/platform/Tasks.h"
#include "agent/platform/virtual/Shell.h"

namespace hd::platform {

class VirtualTasks : public Tasks {
public:
    // shell may be null: then only the system processes run.
    explicit VirtualTasks(Shell* shell) : m_shell(shell) {}

    bool Processes(std::vector<ProcessEntry>& out) override;
    void Windows(std::vector<WindowEntry>& out) override;
    bool Threads(uint32_t pid, std::vector<ThreadEntry>& out) override;
    bool Modules(uint32_t pid, std::vector<ModuleEntry>& out) override;
    void Activate(uint32_t window) override;
    void PostClose(uint32_t window) override;
    bool Terminate(uint32_t pid) override;

    // The pid of the first system process (nk.exe) and of the shell process
    // that starts the applications.
    static uint32_t KernelPid();
    static uint32_t ShellPid();

private:
    std::vector<ShellApp> Apps();
    bool IsApp(uint32_t pid, const std::vector<ShellApp>& apps) const;
    uint32_t WindowOf(uint32_t pid);
    uint32_t PidOfWindow(uint32_t window) const;

    Shell* m_shell;
    std::map<uint32_t, uint32_t> m_windows;  // pid -> window handle, kept once given
    uint32_t m_nextWindow = 0x7C0A2E40;
};

}  // namespace hd::platform
