// The Wayland backends' module (libhdagent-wayland.so): screen copies,
// virtual keyboard and pointer, toplevel windows and the clipboard of a
// wlroots compositor, loaded through the generic module loader
// (BackendModule) on first use.
#pragma once

#include "agent/platform/BackendModule.h"

namespace hd::platform {

constexpr const char* kWaylandModuleName = "libhdagent-wayland.so";
constexpr const char* kWaylandModuleEntry = "HdWaylandBackends";

// The module's table, loaded once. Null when the module is missing or
// broken; the first failure is told on stderr and in the log.
const ModuleBackends* LoadWaylandBackends();

}  // namespace hd::platform
