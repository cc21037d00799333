// X11Damage (XW): watches the root window for drawing through the DAMAGE
// extension, on a thread and a connection of its own, and calls the change
// listener once per batch of damage so that the screen sender captures at
// once instead of at its next poll. The damage is taken away (and the next
// report armed) by the display when it captures, so what it takes is exactly
// what was drawn since its previous capture. Owned by the X11 display; stopped and
// joined by its destructor. The listener runs on the watcher thread and must
// not block; the watcher never touches the screen thread's connection.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "agent/platform/x11/X11Connection.h"

namespace hd::platform {

class X11Damage {
public:
    // Null, with a forced "XW::Start:" line, when the display cannot be opened
    // or has no DAMAGE extension (the sender then polls only).
    static std::unique_ptr<X11Damage> Start(const std::string& displayName);
    ~X11Damage();
    X11Damage(const X11Damage&) = delete;
    X11Damage& operator=(const X11Damage&) = delete;

    // Replaces the listener; an empty one stops the calls. Once this returns,
    // the old listener is no longer running and will not be called again.
    void SetListener(std::function<void()> listener);
    // True while a listener is set. Any thread.
    bool Listening();
    // The damage object on the root window, valid while this watcher lives.
    Damage Id() const { return m_damage; }

private:
    X11Damage(std::unique_ptr<X11Connection> connection, int eventBase, Damage damage, int stopFd);
    void Run();

    std::unique_ptr<X11Connection> m_connection;
    int m_eventBase;
    Damage m_damage;
    int m_stopFd;  // an eventfd: readable once the watcher must end
    std::mutex m_mutex;
    std::function<void()> m_listener;
    std::thread m_thread;
};

}  // namespace hd::platform
