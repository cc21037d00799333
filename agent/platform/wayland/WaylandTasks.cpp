#include "agent/platform/wayland/WaylandTasks.h"

#include <strings.h>

#include <algorithm>

#include "common/Log.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace hd::platform {

namespace {

using Toplevel = WaylandTasks::Toplevel;

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    [](void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
        static_cast<Toplevel*>(data)->title = title ? title : "";
    },
    [](void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        static_cast<Toplevel*>(data)->appId = appId ? appId : "";
    },
    [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        auto* t = static_cast<Toplevel*>(data);
        t->activated = t->minimized = false;
        // An array of 32-bit values; a length that is no multiple is cut.
        const auto* values = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
            if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) t->activated = true;
            if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) t->minimized = true;
        }
    },
    [](void*, zwlr_foreign_toplevel_handle_v1*) {},
    [](void* data, zwlr_foreign_toplevel_handle_v1*) {
        static_cast<Toplevel*>(data)->closed = true;
    },
    [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
};

}  // namespace

void WaylandTasks::OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                              zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandTasks*>(data);
    auto t = std::make_unique<Toplevel>();
    t->handle = handle;
    t->id = self->m_nextId++;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, t.get());
    self->m_toplevels.push_back(std::move(t));
}

void WaylandTasks::OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<WaylandTasks*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->m_manager = nullptr;
}

WaylandTasks::WaylandTasks(std::unique_ptr<WaylandConnection> connection, std::string procRoot)
    : ProcTasks(std::move(procRoot)), m_connection(std::move(connection)) {
    if (!m_connection) return;
    m_manager = m_connection->Bind<zwlr_foreign_toplevel_manager_v1>(
        &zwlr_foreign_toplevel_manager_v1_interface, 3);
    m_seat = m_connection->Bind<wl_seat>(&wl_seat_interface, 1);
    if (!m_manager) {
        log::Forced(
            "WT::Open:the compositor on %s has no zwlr_foreign_toplevel_manager_v1, "
            "windows are not listed",
            m_connection->Name().c_str());
        return;
    }
    static const zwlr_foreign_toplevel_manager_v1_listener listener = {OnToplevel, OnFinished};
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &listener, this);
    m_connection->Roundtrip();
}

WaylandTasks::~WaylandTasks() {
    if (!m_connection) return;
    for (auto& t : m_toplevels) zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
    if (m_manager) {
        // No more windows, and the proxy goes: its "finished" is not waited for.
        zwlr_foreign_toplevel_manager_v1_stop(m_manager);
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    }
    if (m_seat) wl_seat_destroy(m_seat);
    wl_display_flush(m_connection->Get());
}

void WaylandTasks::Update() {
    if (!m_connection || m_connection->Broken()) return;
    // Everything the compositor told until now, closed windows let go.
    m_connection->Roundtrip();
    std::erase_if(m_toplevels, [](const std::unique_ptr<Toplevel>& t) {
        if (t->closed) zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
        return t->closed;
    });
}

uint32_t WaylandTasks::PidForAppId(const std::string& appId,
                                   const std::vector<ProcessEntry>& processes) {
    if (appId.empty()) return 0;
    const size_t dot = appId.rfind('.');
    const std::string last = dot == std::string::npos ? "" : appId.substr(dot + 1);
    for (const std::string& name : {appId, last}) {
        if (name.empty()) continue;
        uint32_t found = 0;
        int count = 0;
        for (const ProcessEntry& p : processes)
            if (strcasecmp(p.exe.c_str(), name.c_str()) == 0) {
                found = p.pid;
                ++count;
            }
        if (count) return count == 1 ? found : 0;
    }
    return 0;
}

void WaylandTasks::Windows(std::vector<WindowEntry>& out) {
    out.clear();
    Update();
    if (m_toplevels.empty()) return;
    if (!Processes(m_processes)) m_processes.clear();
    for (auto it = m_toplevels.rbegin(); it != m_toplevels.rend(); ++it) {
        const Toplevel& t = **it;
        WindowEntry e;
        e.handle = t.id;
        e.pid = PidForAppId(t.appId, m_processes);
        e.threadId = e.pid;  // Wayland windows belong to no thread: the process stands in
        e.visible = !t.minimized;
        e.title = t.title;
        if (t.activated)
            out.insert(out.begin(), std::move(e));
        else
            out.push_back(std::move(e));
    }
}

Toplevel* WaylandTasks::Find(uint32_t window) {
    for (auto& t : m_toplevels)
        if (t->id == window && !t->closed) return t.get();
    return nullptr;
}

void WaylandTasks::Activate(uint32_t window) {
    Update();
    Toplevel* t = Find(window);
    if (!t || !m_seat) {
        log::Forced("WT::Activate:window %u cannot be activated", window);
        return;
    }
    if (t->minimized) zwlr_foreign_toplevel_handle_v1_unset_minimized(t->handle);
    zwlr_foreign_toplevel_handle_v1_activate(t->handle, m_seat);
    m_connection->Roundtrip();
}

void WaylandTasks::PostClose(uint32_t window) {
    Update();
    Toplevel* t = Find(window);
    if (!t) {
        log::Forced("WT::PostClose:window %u cannot be asked to close", window);
        return;
    }
    zwlr_foreign_toplevel_handle_v1_close(t->handle);
    wl_display_flush(m_connection->Get());
}

}  // namespace hd::platform
