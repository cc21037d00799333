#include "agent/platform/x11/X11Tasks.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <algorithm>

#include "agent/platform/x11/X11Text.h"
#include "common/Log.h"

namespace hd::platform {

namespace {
// Titles longer than this are cut long before the task record's 63 units.
constexpr long kTitleWords = 256;
constexpr long kListWords = 16384;

}  // namespace

X11Tasks::X11Tasks(std::unique_ptr<X11Connection> connection, std::string procRoot)
    : ProcTasks(std::move(procRoot)), m_connection(std::move(connection)) {
    if (!m_connection) return;
    int event = 0, error = 0;
    m_hasXRes = XResQueryExtension(m_connection->Get(), &event, &error);
    m_clientList = m_connection->Intern("_NET_CLIENT_LIST");
    m_stacking = m_connection->Intern("_NET_CLIENT_LIST_STACKING");
    m_activeWindow = m_connection->Intern("_NET_ACTIVE_WINDOW");
    m_wmPid = m_connection->Intern("_NET_WM_PID");
    m_wmName = m_connection->Intern("_NET_WM_NAME");
    m_utf8 = m_connection->Intern("UTF8_STRING");
    m_supportingCheck = m_connection->Intern("_NET_SUPPORTING_WM_CHECK");
    m_protocols = m_connection->Intern("WM_PROTOCOLS");
    m_deleteWindow = m_connection->Intern("WM_DELETE_WINDOW");
}

bool X11Tasks::Property32(Window w, Atom name, Atom type, std::vector<unsigned long>& out) {
    out.clear();
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // A window that is gone answers with an error, which the caller's trap takes.
    if (XGetWindowProperty(m_connection->Get(), w, name, 0, kListWords, False, type, &actual,
                           &format, &count, &after, &data) != Success)
        return false;
    const bool ok = data && actual == type && format == 32;
    // Xlib hands 32-bit items out as longs.
    if (ok)
        out.assign(reinterpret_cast<unsigned long*>(data),
                   reinterpret_cast<unsigned long*>(data) + count);
    if (data) XFree(data);
    return ok;
}

std::string X11Tasks::TextProperty(Window w, Atom name, Atom& type) {
    type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_connection->Get(), w, name, 0, kTitleWords, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) != Success)
        return {};
    std::string text;
    if (data && format == 8) text.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return text;
}

Window X11Tasks::Manager() {
    std::vector<unsigned long> check;
    if (!Property32(m_connection->Root(), m_supportingCheck, XA_WINDOW, check) || check.empty())
        return None;
    // A manager that ended leaves the root's property behind: its check
    // window must still exist and name itself.
    std::vector<unsigned long> self;
    m_connection->BeginTrap();
    const bool alive = Property32(Window(check[0]), m_supportingCheck, XA_WINDOW, self);
    const bool ok = m_connection->EndTrap() == 0 && alive && !self.empty() && self[0] == check[0];
    return ok ? Window(check[0]) : None;
}

bool X11Tasks::TopLevels(std::vector<Window>& out) {
    out.clear();
    ::Display* d = m_connection->Get();
    std::vector<unsigned long> list;
    if (Manager() != None) {
        // Stacking order is bottom to top; the front window comes first here.
        if (Property32(m_connection->Root(), m_stacking, XA_WINDOW, list) ||
            Property32(m_connection->Root(), m_clientList, XA_WINDOW, list)) {
            out.assign(list.rbegin(), list.rend());
            return true;
        }
    }
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, m_connection->Root(), &root, &parent, &children, &count)) return false;
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes a;
        m_connection->BeginTrap();
        const bool got = XGetWindowAttributes(d, children[i], &a);
        if (m_connection->EndTrap() != 0 || !got) continue;
        // Menus and tips bypass the manager; they are nobody's main window.
        if (a.c_class == InputOutput && !a.override_redirect && a.map_state == IsViewable)
            out.push_back(children[i]);
    }
    if (children) XFree(children);
    return true;
}

uint32_t X11Tasks::PidOf(Window w) {
    std::vector<unsigned long> pid;
    if (Property32(w, m_wmPid, XA_CARDINAL, pid) && !pid.empty() && pid[0] > 0 &&
        pid[0] <= 0x7FFFFFFF)
        return uint32_t(pid[0]);
    if (!m_hasXRes) return 0;
    // The server knows the process of a local client that did not say.
    XResClientIdSpec wanted{w, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    uint32_t found = 0;
    if (XResQueryClientIds(m_connection->Get(), 1, &wanted, &count, &values) == Success) {
        for (long i = 0; i < count && !found; ++i) {
            const pid_t p = XResGetClientPid(&values[i]);
            if (p > 0) found = uint32_t(p);
        }
        XResClientIdsDestroy(count, values);
    }
    return found;
}

std::string X11Tasks::TitleOf(Window w) {
    Atom type = None;
    std::string title = TextProperty(w, m_wmName, type);
    if (!title.empty() && type == m_utf8) return title;
    title = TextProperty(w, XA_WM_NAME, type);
    if (title.empty()) return {};
    if (type == XA_STRING) return Latin1ToUtf8(title);
    if (type == m_utf8) return title;
    // COMPOUND_TEXT and the like: as Xlib converts them.
    XTextProperty prop{reinterpret_cast<unsigned char*>(title.data()), type, 8, title.size()};
    char** list = nullptr;
    int count = 0;
    std::string text;
    if (Xutf8TextPropertyToTextList(m_connection->Get(), &prop, &list, &count) >= Success && list &&
        count > 0)
        text = list[0];
    if (list) XFreeStringList(list);
    return text;
}

void X11Tasks::Windows(std::vector<WindowEntry>& out) {
    out.clear();
    if (!m_connection || m_connection->Broken()) return;
    // Nothing is selected, but key-map changes come to every client.
    while (XPending(m_connection->Get()) > 0) {
        XEvent event;
        XNextEvent(m_connection->Get(), &event);
    }
    std::vector<Window> windows;
    if (!TopLevels(windows)) return;
    ::Display* d = m_connection->Get();
    for (Window w : windows) {
        WindowEntry e;
        m_connection->BeginTrap();
        XWindowAttributes a;
        const bool got = XGetWindowAttributes(d, w, &a);
        e.handle = uint32_t(w);
        e.pid = PidOf(w);
        e.threadId = e.pid;
        e.visible = got && a.map_state == IsViewable;
        e.title = TitleOf(w);
        // A window closed while it was read is left out.
        if (m_connection->EndTrap() == 0 && got) out.push_back(std::move(e));
    }
}

void X11Tasks::Activate(uint32_t window) {
    if (!m_connection) return;
    ::Display* d = m_connection->Get();
    const Window w = Window(window);
    const bool managed = Manager() != None;
    m_connection->BeginTrap();
    if (managed) {
        // Source 2: a pager acting for the user, which managers always obey.
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = m_activeWindow;
        e.xclient.format = 32;
        e.xclient.data.l[0] = 2;
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, m_connection->Root(), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
        XMapRaised(d, w);
        XSetInputFocus(d, w, RevertToParent, CurrentTime);
    }
    if (const int error = m_connection->EndTrap())
        log::Forced("XT::Activate:window %#x cannot be activated (error %d)", window, error);
}

void X11Tasks::PostClose(uint32_t window) {
    if (!m_connection) return;
    ::Display* d = m_connection->Get();
    const Window w = Window(window);
    m_connection->BeginTrap();
    Atom* protocols = nullptr;
    int count = 0;
    bool asks = false;
    if (XGetWMProtocols(d, w, &protocols, &count)) {
        asks = std::find(protocols, protocols + count, m_deleteWindow) != protocols + count;
        XFree(protocols);
    }
    if (asks) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = m_protocols;
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(m_deleteWindow);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, w, False, NoEventMask, &e);
    }
    const int error = m_connection->EndTrap();
    if (error)
        log::Forced("XT::PostClose:window %#x cannot be asked to close (error %d)", window, error);
    else if (!asks)
        log::Log("XT::PostClose:window %#x takes no close request", window);
}

}  // namespace hd::platform
