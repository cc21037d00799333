// X11Tasks (XT): the tasks of a Linux device with an X11 display: processes,
// threads and modules as /proc gives them (ProcTasks), and the top-level
// windows of the display: the window manager's client list (EWMH), or the
// mapped children of the root window when no manager runs. Activation asks
// the manager for the window (_NET_ACTIVE_WINDOW), the close request is
// WM_DELETE_WINDOW. Made at agent load, used on the HdInvoke thread on its
// own connection; without a display it lists no windows.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "agent/platform/linux/ProcTasks.h"
#include "agent/platform/x11/X11Connection.h"

namespace hd::platform {

class X11Tasks : public ProcTasks {
public:
    // connection may be null (no windows then).
    explicit X11Tasks(std::unique_ptr<X11Connection> connection, std::string procRoot = "/proc");

    // Front window first. X windows belong to no thread: the owning process
    // stands in for it. A window whose process is unknown has pid 0.
    void Windows(std::vector<WindowEntry>& out) override;
    void Activate(uint32_t window) override;
    void PostClose(uint32_t window) override;

private:
    // The manager's check window when a window manager runs, else None.
    Window Manager();
    bool TopLevels(std::vector<Window>& out);
    uint32_t PidOf(Window w);
    std::string TitleOf(Window w);
    // Whole 32-bit items of a property (CARDINAL, WINDOW...); false when absent.
    bool Property32(Window w, Atom name, Atom type, std::vector<unsigned long>& out);
    std::string TextProperty(Window w, Atom name, Atom& type);

    std::unique_ptr<X11Connection> m_connection;
    bool m_hasXRes = false;
    Atom m_clientList = None;
    Atom m_stacking = None;
    Atom m_activeWindow = None;
    Atom m_wmPid = None;
    Atom m_wmName = None;
    Atom m_utf8 = None;
    Atom m_supportingCheck = None;
    Atom m_protocols = None;
    Atom m_deleteWindow = None;
};

}  // namespace hd::platform
