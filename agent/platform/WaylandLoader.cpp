// Loads the Wayland backends module beside the agent (log tag "WL").
#include <mutex>

#include "agent/platform/WaylandBackends.h"

namespace hd::platform {

const ModuleBackends* LoadWaylandBackends() {
    static std::once_flag once;
    static const ModuleBackends* backends = nullptr;
    std::call_once(once, [] {
        backends = LoadBackendModule({kWaylandModuleName, kWaylandModuleEntry, "Wayland", "WL"});
    });
    return backends;
}

}  // namespace hd::platform
