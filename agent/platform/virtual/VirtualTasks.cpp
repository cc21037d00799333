#include "agent/platform/virtual/VirtualTasks.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace hd::platform {

namespace {

struct Module {
    const char* name;
    uint32_t base;
    uint32_t size;
};

// DLLs at the addresses a handheld of this kind loads them.
constexpr std::array<Module, 16> kModules{{
    {"coredll.dll", 0x01F60000, 0x00082000},
    {"fsdmgr.dll", 0x01F40000, 0x0000E000},
    {"relfsd.dll", 0x01F30000, 0x00009000},
    {"pcmcia.dll", 0x01EF0000, 0x0000F000},
    {"serial.dll", 0x01EE0000, 0x0000B000},
    {"battdrvr.dll", 0x01ED0000, 0x00006000},
    {"waveapi.dll", 0x01EB0000, 0x00012000},
    {"touch.dll", 0x01EA0000, 0x00008000},
    {"ddi.dll", 0x01E50000, 0x00042000},
    {"keybddr.dll", 0x01E40000, 0x00007000},
    {"ws2.dll", 0x01E20000, 0x00013000},
    {"winsock.dll", 0x01E10000, 0x00008000},
    {"commctrl.dll", 0x01DB0000, 0x00052000},
    {"aygshell.dll", 0x01D70000, 0x00034000},
    {"ceshell.dll", 0x01D20000, 0x0003E000},
    {"ole32.dll", 0x01CA0000, 0x00071000},
}};

struct SystemProcess {
    const char* exe;
    uint32_t pid;
    uint32_t threads;
    std::array<const char*, 6> modules;  // null-padded
};

constexpr uint32_t kKernelPid = 0x03FFD002;
constexpr uint32_t kShellPid = 0x43EDB2DA;

constexpr std::array<SystemProcess, 6> kSystem{{
    {"nk.exe", kKernelPid, 4, {"coredll.dll"}},
    {"filesys.exe", 0x23FC0F66, 6, {"coredll.dll", "fsdmgr.dll", "relfsd.dll"}},
    {"device.exe",
     0x63C6A88E,
     12,
     {"coredll.dll", "pcmcia.dll", "serial.dll", "battdrvr.dll", "waveapi.dll", "touch.dll"}},
    {"gwes.exe", 0x83C9D3E6, 7, {"coredll.dll", "ddi.dll", "touch.dll", "keybddr.dll"}},
    {"services.exe", 0xA3B6B65E, 4, {"coredll.dll", "ws2.dll", "winsock.dll", "ole32.dll"}},
    {"shell32.exe", kShellPid, 5, {"coredll.dll", "aygshell.dll", "commctrl.dll", "ceshell.dll"}},
}};

constexpr std::array<const char*, 6> kAppModules{"coredll.dll", "aygshell.dll", "commctrl.dll",
                                                 "ole32.dll"};
constexpr uint32_t kAppThreads = 2;
constexpr uint32_t kModuleHandles = 0x83F10000;  // the kernel's module structures

const SystemProcess* FindSystem(uint32_t pid) {
    for (const auto& p : kSystem)
        if (p.pid == pid) return &p;
    return nullptr;
}

bool Uses(const std::array<const char*, 6>& list, std::string_view name) {
    return std::any_of(list.begin(), list.end(), [&](const char* m) { return m && name == m; });
}

uint32_t ThreadId(uint32_t pid, uint32_t i) {
    return pid + 0x00010000 * (i + 1);
}

}  // namespace

uint32_t VirtualTasks::KernelPid() {
    return kKernelPid;
}
uint32_t VirtualTasks::ShellPid() {
    return kShellPid;
}

std::vector<ShellApp> VirtualTasks::Apps() {
    return m_shell ? m_shell->Apps() : std::vector<ShellApp>{};
}

bool VirtualTasks::IsApp(uint32_t pid, const std::vector<ShellApp>& apps) const {
    return !FindSystem(pid) &&
           std::any_of(apps.begin(), apps.end(), [&](const ShellApp& a) { return a.pid == pid; });
}

bool VirtualTasks::Processes(std::vector<ProcessEntry>& out) {
    out.clear();
    for (const auto& p : kSystem)
        out.push_back({1, p.pid, p.pid == kKernelPid ? 0 : kKernelPid, p.threads, 0, p.exe});
    // In the order they were started, as a process snapshot has them, so
    // that switching applications does not reorder the task list.
    std::vector<ShellApp> apps = Apps();
    std::sort(apps.begin(), apps.end(), [](auto& a, auto& b) { return a.pid < b.pid; });
    for (const auto& a : apps) {
        if (FindSystem(a.pid)) continue;  // a system process keeps its identity
        out.push_back({1, a.pid, kShellPid, kAppThreads, 0, a.exe});
    }
    return true;
}

void VirtualTasks::Windows(std::vector<WindowEntry>& out) {
    out.clear();
    const std::vector<ShellApp> apps = Apps();
    // Handles of applications that have ended are forgotten, never reused.
    std::erase_if(m_windows, [&](const auto& w) { return !IsApp(w.first, apps); });
    for (const auto& a : apps) {
        if (FindSystem(a.pid)) continue;
        out.push_back({WindowOf(a.pid), ThreadId(a.pid, 0), a.pid, a.visible, a.title});
    }
}

bool VirtualTasks::Threads(uint32_t pid, std::vector<ThreadEntry>& out) {
    out.clear();
    uint32_t count = 0;
    std::string_view exe;
    if (const SystemProcess* p = FindSystem(pid)) {
        count = p->threads;
        exe = p->exe;
    } else if (IsApp(pid, Apps())) {
        count = kAppThreads;
    }
    for (uint32_t i = 0; i < count; ++i) {
        // Normal priority, except the drivers' interrupt threads and the
        // window manager's input thread.
        int32_t priority = 251;
        if (exe == "device.exe" && i > 0) priority = int32_t(100 + i);
        if (exe == "gwes.exe" && i == 1) priority = 249;
        out.push_back({ThreadId(pid, i), priority});
    }
    return true;
}

bool VirtualTasks::Modules(uint32_t pid, std::vector<ModuleEntry>& out) {
    out.clear();
    const std::vector<ShellApp> apps = Apps();
    const SystemProcess* system = FindSystem(pid);
    if (!system && !IsApp(pid, apps)) return false;  // no such process
    const auto& loaded = system ? system->modules : kAppModules;
    uint32_t appCount = 0;
    for (const auto& a : apps) appCount += FindSystem(a.pid) ? 0 : 1;
    for (size_t i = 0; i < kModules.size(); ++i) {
        const Module& m = kModules[i];
        if (!Uses(loaded, m.name)) continue;
        uint32_t users = Uses(kAppModules, m.name) ? appCount : 0;
        for (const auto& p : kSystem) users += Uses(p.modules, m.name) ? 1 : 0;
        out.push_back({m.base, m.size, users, 1, kModuleHandles + 0x400 * uint32_t(i), m.name});
    }
    return true;
}

uint32_t VirtualTasks::WindowOf(uint32_t pid) {
    auto [it, added] = m_windows.try_emplace(pid, m_nextWindow);
    if (added) m_nextWindow += 0x3C0;
    return it->second;
}

uint32_t VirtualTasks::PidOfWindow(uint32_t window) const {
    for (const auto& [pid, handle] : m_windows)
        if (handle == window) return pid;
    return 0;
}

void VirtualTasks::Activate(uint32_t window) {
    if (const uint32_t pid = PidOfWindow(window); pid && m_shell) m_shell->Activate(pid);
}

void VirtualTasks::PostClose(uint32_t window) {
    if (const uint32_t pid = PidOfWindow(window); pid && m_shell) m_shell->Close(pid);
}

bool VirtualTasks::Terminate(uint32_t pid) {
    // The handheld's own processes are refused: ending one would take the
    // simulated system down with it.
    if (FindSystem(pid) || !m_shell) return false;
    return m_shell->Terminate(pid);
}

}  // namespace hd::platform
