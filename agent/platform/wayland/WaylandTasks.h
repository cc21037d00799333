// WaylandTasks (WT): the tasks of a Linux device with a wlroots compositor:
// processes, threads and modules as /proc gives them (ProcTasks), and the
// toplevel windows the compositor lists through
// zwlr_foreign_toplevel_manager_v1 (title, application id, state). The
// protocol tells no process: a window belongs to the process whose name is
// its application id, when only one has that name. Activation and the
// close request go through the window's handle. Made at agent load, used on the HdInvoke thread on
// its own connection; without the protocol it lists no windows, said once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agent/platform/linux/ProcTasks.h"
#include "agent/platform/wayland/WaylandConnection.h"

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace hd::platform {

class WaylandTasks : public ProcTasks {
public:
    // connection may be null (no windows then).
    explicit WaylandTasks(std::unique_ptr<WaylandConnection> connection,
                          std::string procRoot = "/proc");
    ~WaylandTasks() override;

    // The active window first, then the others newest first.
    void Windows(std::vector<WindowEntry>& out) override;
    void Activate(uint32_t window) override;
    void PostClose(uint32_t window) override;

    // One toplevel as the compositor describes it; filled on the HdInvoke
    // thread while it dispatches.
    struct Toplevel {
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        uint32_t id = 0;
        std::string title;
        std::string appId;
        bool activated = false;
        bool minimized = false;
        bool closed = false;
    };

    // The process a window belongs to: the one whose name is its application
    // id (without regard to case), or its id's last dotted part; 0 for none,
    // and 0 when several have the name: a kill ends the window's process, and
    // a guess could end another one.
    static uint32_t PidForAppId(const std::string& appId,
                                const std::vector<ProcessEntry>& processes);

private:
    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1*);
    Toplevel* Find(uint32_t window);
    void Update();

    std::unique_ptr<WaylandConnection> m_connection;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    wl_seat* m_seat = nullptr;
    std::vector<std::unique_ptr<Toplevel>> m_toplevels;  // oldest first
    uint32_t m_nextId = 1;
    std::vector<ProcessEntry> m_processes;  // reused for the matching
};

}  // namespace hd::platform
