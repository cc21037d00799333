// A Wayland server with a seat, an output and shared memory and none of the
// wlroots protocols, run on a thread of its own: what a compositor without
// them looks like to the Wayland backend. Owned by one test; the destructor
// stops and joins the thread and removes its socket.
#pragma once

#include <string>
#include <thread>

struct wl_display;

namespace hd::test {

class BareCompositor {
public:
    BareCompositor();
    ~BareCompositor();
    BareCompositor(const BareCompositor&) = delete;
    BareCompositor& operator=(const BareCompositor&) = delete;

    bool Started() const { return !m_socket.empty(); }
    // The socket's absolute path.
    const std::string& Socket() const { return m_socket; }

private:
    wl_display* m_display = nullptr;
    std::string m_dir;
    std::string m_socket;
    std::thread m_thread;
};

}  // namespace hd::test
