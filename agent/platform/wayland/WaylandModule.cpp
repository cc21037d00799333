// libhdagent-wayland.so's one export: the Wayland backends' factories. Its
// log lines go to the agent's log, which decides whether logging is on.
#include "agent/platform/ModuleLogSink.h"
#include "agent/platform/WaylandBackends.h"
#include "agent/platform/wayland/WaylandClipboard.h"
#include "agent/platform/wayland/WaylandDisplay.h"
#include "agent/platform/wayland/WaylandInput.h"
#include "agent/platform/wayland/WaylandTasks.h"

namespace hd::platform {
namespace {

ModuleLogSink g_sink;

const ModuleBackends kBackends{
    [](const char* name) -> Display* { return WaylandDisplay::Open(name).release(); },
    [](const char* name) -> Input* { return WaylandInput::Open(name).release(); },
    [](const char* name) -> Tasks* {
        return new WaylandTasks(WaylandConnection::Open(name, "WT"));
    },
    [](const char* name) -> Clipboard* { return WaylandClipboard::Open(name).release(); },
};

}  // namespace
}  // namespace hd::platform

extern "C" __attribute__((visibility("default"))) const hd::platform::ModuleBackends*
HdWaylandBackends(const hd::platform::ModuleHost* host) {
    hd::platform::g_sink.Attach(host);
    return &hd::platform::kBackends;
}
