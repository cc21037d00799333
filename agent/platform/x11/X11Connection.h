// X11Connection (XC): one connection to an X server, used by one thread at a
// time (the thread of the object that owns it), closed with its owner. It
// keeps a lost server from ending the process: requests then fail and
// Broken() says so. Error traps turn a failed request into a value instead of
// Xlib's default of printing and exiting.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <memory>
#include <string>

namespace hd::platform {

class X11Connection {
public:
    // name: the display ("" or null: $DISPLAY); who: the owner's tag, for the
    // one forced "XC::Open:" line written when the display cannot be opened.
    static std::unique_ptr<X11Connection> Open(const char* name, const char* who);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    ::Display* Get() const { return m_display; }
    ::Window Root() const { return RootWindow(m_display, DefaultScreen(m_display)); }
    int ScreenNumber() const { return DefaultScreen(m_display); }
    // The display's name as opened (":0").
    const std::string& Name() const { return m_name; }
    // The server went away; every request fails from then on.
    bool Broken() const { return m_broken.load(); }
    Atom Intern(const char* name) { return XInternAtom(m_display, name, False); }

    // The X error code of the first request that failed between BeginTrap and
    // EndTrap (0 for none). EndTrap waits for the server's answer.
    void BeginTrap();
    int EndTrap();

private:
    explicit X11Connection(::Display* display);

    ::Display* m_display;
    std::string m_name;
    std::atomic<bool> m_broken{false};
};

}  // namespace hd::platform
