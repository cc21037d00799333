// What the agent's task services ask of the device: snapshots of the running
// processes, their top-level windows, threads and loaded modules, and the
// three things a person may do to a task (bring its window to the front, ask
// it to close, end it). Every method is called on the HdInvoke thread only;
// what a method fills belongs to the caller. Backends: virtual (the built-in
// handheld's task table), linux (/proc), x11 and wayland (/proc and the display's windows).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hd::platform {

class Shell;

struct ProcessEntry {
    uint32_t usage = 0;  // usage count of the snapshot entry
    uint32_t pid = 0;    // never 0 for a listed process
    uint32_t parentPid = 0;
    uint32_t threads = 0;
    uint32_t moduleId = 0;
    std::string exe;  // UTF-8; the task list keeps what follows the last backslash
};

struct WindowEntry {
    uint32_t handle = 0;
    uint32_t threadId = 0;  // owning thread; 0 when the window has none
    uint32_t pid = 0;       // owning process
    bool visible = false;
    std::string title;  // UTF-8
};

struct ThreadEntry {
    uint32_t tid = 0;
    int32_t basePriority = 0;
};

// Addresses and sizes as the device has them: the module list decides what a
// value too wide for its 32-bit field becomes.
struct ModuleEntry {
    uint64_t base = 0;
    uint64_t size = 0;
    uint32_t globalUsage = 0;
    uint32_t processUsage = 0;
    uint64_t handle = 0;
    std::string name;  // file name without folders, UTF-8
};

class Tasks {
public:
    virtual ~Tasks() = default;
    // For the task list (HC_GETTASKLIST, HC_KILLTASK): replaces out with
    // every running process in the device's order; false (out then means
    // nothing) when no snapshot can be taken. A process that ends while the
    // snapshot is being taken is left out.
    virtual bool Processes(std::vector<ProcessEntry>& out) = 0;
    // Right after Processes: replaces out with the top-level windows, the
    // front one first.
    virtual void Windows(std::vector<WindowEntry>& out) = 0;
    // For HC_GETTHRANDMODLISTS: replaces out with the threads of one process
    // (none for an unknown process); false when no snapshot can be taken.
    virtual bool Threads(uint32_t pid, std::vector<ThreadEntry>& out) = 0;
    // For HC_GETTHRANDMODLISTS, after Threads: replaces out with the modules
    // loaded in one process; false when that process's modules cannot be
    // listed (for instance it has ended).
    virtual bool Modules(uint32_t pid, std::vector<ModuleEntry>& out) = 0;
    // For HC_ACTIVATETASK: brings the window to the front and makes it the
    // active one.
    virtual void Activate(uint32_t window) = 0;
    // For HC_KILLTASK: asks the window to close; does not wait for it.
    virtual void PostClose(uint32_t window) = 0;
    // For HC_KILLTASK, right after PostClose: ends the process at once;
    // false when it cannot be ended.
    virtual bool Terminate(uint32_t pid) = 0;
};

// The task backend for a device kind ("virtual", "linux", "x11", "wayland"); shell is the
// virtual handheld's shell or null. Called once at agent load.
std::unique_ptr<Tasks> CreateTasks(const std::string& kind, Shell* shell);

}  // namespace hd::platform
