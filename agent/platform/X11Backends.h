// The X11 backends' module (libhdagent-x11.so), loaded through the generic
// module loader (BackendModule) on first use.
#pragma once

#include "agent/platform/BackendModule.h"

namespace hd::platform {

using X11Host = ModuleHost;
using X11Backends = ModuleBackends;
using X11BackendsEntry = BackendModuleEntry;
constexpr const char* kX11ModuleName = "libhdagent-x11.so";
constexpr const char* kX11ModuleEntry = "HdX11Backends";

// The module's table, loaded once. Null when the module is missing or
// broken; the first failure is told on stderr and in the log.
const X11Backends* LoadX11Backends();

}  // namespace hd::platform
