#include "BareCompositor.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-server.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace hd::test {

namespace {
// Every global answers a bind with a bare object: the backend asks nothing
// more of these three.
void Bind(wl_client* client, void* data, uint32_t version, uint32_t id) {
    wl_resource_create(client, static_cast<const wl_interface*>(data), int(version), id);
}
}  // namespace

BareCompositor::BareCompositor() {
    char dir[] = "/tmp/hd-bare-XXXXXX";
    if (!mkdtemp(dir)) return;
    m_dir = dir;
    const std::string path = m_dir + "/wayland-bare";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        if (fd >= 0) ::close(fd);
        return;
    }
    m_display = wl_display_create();
    if (wl_display_add_socket_fd(m_display, fd) != 0) return;
    for (const wl_interface* interface :
         {&wl_seat_interface, &wl_output_interface, &wl_shm_interface})
        wl_global_create(m_display, interface, 1, const_cast<wl_interface*>(interface), Bind);
    m_thread = std::thread([d = m_display] { wl_display_run(d); });
    m_socket = path;
}

BareCompositor::~BareCompositor() {
    if (m_thread.joinable()) {
        wl_display_terminate(m_display);
        m_thread.join();
    }
    if (m_display) wl_display_destroy(m_display);
    std::error_code ignored;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ignored);
}

}  // namespace hd::test
