#include "agent/platform/x11/X11Connection.h"

#include <cstdlib>
#include <mutex>

#include "common/Log.h"

namespace hd::platform {

namespace {

// Errors are reported on the thread that reads the connection, which is the
// thread that owns it, so a thread-local slot serves every connection.
thread_local int t_trapped = 0;  // traps open on this thread
thread_local int t_error = 0;    // first error seen while trapping

int OnError(::Display*, XErrorEvent* e) {
    if (t_trapped > 0) {
        if (t_error == 0) t_error = e->error_code;
    } else {
        log::Log("XC::Error:request %d.%d failed with error %d", int(e->request_code),
                 int(e->minor_code), int(e->error_code));
    }
    return 0;
}

// Returning lets Xlib go on to the per-connection exit handler below.
int OnIoError(::Display*) {
    return 0;
}

// Xlib takes the display's user lock for the exit it expects and never gives
// it back; given back here, the owner's later calls on another thread (its
// destructor) fail at once instead of waiting for ever.
void OnIoErrorExit(::Display* display, void* user) {
    static_cast<std::atomic<bool>*>(user)->store(true);
    XUnlockDisplay(display);
    log::Forced("XC::IOError:Lost the connection to the X server");
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::Open(const char* name, const char* who) {
    // Xlib's handlers are process-wide and their defaults end the process.
    static std::once_flag handlers;
    std::call_once(handlers, [] {
        XInitThreads();
        XSetErrorHandler(OnError);
        XSetIOErrorHandler(OnIoError);
    });
    ::Display* display = XOpenDisplay(name && *name ? name : nullptr);
    if (!display) {
        const char* shown = name && *name ? name : std::getenv("DISPLAY");
        log::Forced("XC::Open:%s cannot open the X display \"%s\"", who, shown ? shown : "");
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(::Display* display)
    : m_display(display), m_name(DisplayString(display)) {
    XSetIOErrorExitHandler(m_display, OnIoErrorExit, &m_broken);
}

X11Connection::~X11Connection() {
    XCloseDisplay(m_display);
}

void X11Connection::BeginTrap() {
    XSync(m_display, False);  // earlier errors are not this trap's
    if (t_trapped++ == 0) t_error = 0;
}

int X11Connection::EndTrap() {
    XSync(m_display, False);
    const int error = t_error;
    if (--t_trapped == 0) t_error = 0;
    return error;
}

}  // namespace hd::platform
