#include "agent/platform/wayland/WaylandConnection.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "common/Log.h"

namespace hd::platform {

int64_t WaylandConnection::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::unique_ptr<WaylandConnection> WaylandConnection::Open(const char* name, const char* who) {
    const char* env = std::getenv("WAYLAND_DISPLAY");
    const std::string shown = name && *name ? name : env && *env ? env : "wayland-0";
    wl_display* display = wl_display_connect(name && *name ? name : nullptr);
    if (!display) {
        log::Forced("WC::Open:%s cannot connect to the Wayland display \"%s\"", who, shown.c_str());
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> c(new WaylandConnection(display, shown));
    c->m_registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
    wl_registry_add_listener(c->m_registry, &listener, c.get());
    if (!c->Roundtrip()) {
        log::Forced("WC::Open:%s the Wayland display \"%s\" does not answer", who, shown.c_str());
        return nullptr;
    }
    return c;
}

WaylandConnection::WaylandConnection(wl_display* display, std::string name)
    : m_display(display), m_name(std::move(name)) {}

WaylandConnection::~WaylandConnection() {
    if (m_registry) wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

void WaylandConnection::OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                                 uint32_t version) {
    static_cast<WaylandConnection*>(data)->m_globals.push_back({name, interface, version});
}

bool WaylandConnection::Offers(const char* interfaceName) const {
    for (const Global& g : m_globals)
        if (g.interface == interfaceName) return true;
    return false;
}

void* WaylandConnection::Bind(const wl_interface* interface, uint32_t maxVersion, uint32_t* bound) {
    for (const Global& g : m_globals) {
        if (g.interface != interface->name) continue;
        const uint32_t version = g.version < maxVersion ? g.version : maxVersion;
        if (bound) *bound = version;
        return wl_registry_bind(m_registry, g.name, interface, version);
    }
    return nullptr;
}

bool WaylandConnection::Broken() const {
    return wl_display_get_error(m_display) != 0;
}

bool WaylandConnection::Dispatch(int timeoutMs) {
    wl_display* d = m_display;
    // Events already read are handled first; reading waits only when none is.
    while (wl_display_prepare_read(d) != 0)
        if (wl_display_dispatch_pending(d) < 0) return false;
    if (wl_display_flush(d) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(d);
        return false;
    }
    pollfd fd{wl_display_get_fd(d), POLLIN, 0};
    const int ready = ::poll(&fd, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready <= 0) {
        wl_display_cancel_read(d);
        return ready == 0 || errno == EINTR;
    }
    if (wl_display_read_events(d) < 0) return false;
    return wl_display_dispatch_pending(d) >= 0;
}

bool WaylandConnection::Roundtrip(int timeoutMs) {
    bool done = false;
    static const wl_callback_listener listener = {
        [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback* callback = wl_display_sync(m_display);
    wl_callback_add_listener(callback, &listener, &done);
    const bool ok = DispatchUntil([&] { return done; }, timeoutMs);
    wl_callback_destroy(callback);
    return ok && !Broken();
}

}  // namespace hd::platform
