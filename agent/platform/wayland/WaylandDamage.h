// WaylandDamage (WW): waits for changes on the output through the screen
// copy's "copy with damage", on a thread and a connection of its own, and
// calls the change listener once per changed frame so that the screen sender
// captures at once instead of at its next poll. Owned by the Wayland display;
// stopped and joined by its destructor. The listener runs on the watcher
// thread and must not block; the watcher never touches the screen thread's
// connection.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "agent/platform/wayland/OutputCopy.h"
#include "agent/platform/wayland/WaylandConnection.h"

namespace hd::platform {

class WaylandDamage {
public:
    // Null, with a forced "WW::Start:" line, when the compositor cannot be
    // reached or copies no damage (the sender then polls only).
    static std::unique_ptr<WaylandDamage> Start(const std::string& displayName);
    ~WaylandDamage();
    WaylandDamage(const WaylandDamage&) = delete;
    WaylandDamage& operator=(const WaylandDamage&) = delete;

    // Replaces the listener; an empty one stops the calls. Once this returns,
    // the old listener is no longer running and will not be called again.
    void SetListener(std::function<void()> listener);
    // True while a listener is set and the watcher runs. Any thread.
    bool Listening();

private:
    WaylandDamage(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<OutputCopy> copy);
    void Run();

    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<OutputCopy> m_copy;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{true};
    std::mutex m_mutex;
    std::function<void()> m_listener;
    std::thread m_thread;
};

}  // namespace hd::platform
