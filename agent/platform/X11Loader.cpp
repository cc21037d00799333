// Loads the X11 backends module beside the agent (log tag "XM").
#include <mutex>

#include "agent/platform/X11Backends.h"

namespace hd::platform {

const X11Backends* LoadX11Backends() {
    static std::once_flag once;
    static const X11Backends* backends = nullptr;
    std::call_once(once, [] {
        backends = LoadBackendModule({kX11ModuleName, kX11ModuleEntry, "X11", "XM"});
    });
    return backends;
}

}  // namespace hd::platform
