// libhdagent-x11.so's one export: the X11 backends' factories. Its log lines
// go to the agent's log, which decides whether logging is on.
#include <cstdlib>

#include "agent/platform/ModuleLogSink.h"
#include "agent/platform/X11Backends.h"
#include "agent/platform/x11/X11Clipboard.h"
#include "agent/platform/x11/X11Display.h"
#include "agent/platform/x11/X11Input.h"
#include "agent/platform/x11/X11Tasks.h"

namespace hd::platform {
namespace {

ModuleLogSink g_sink;

const X11Backends kBackends{
    [](const char* name) -> Display* { return X11Display::Open(name).release(); },
    [](const char* name) -> Input* { return X11Input::Open(name).release(); },
    [](const char* name) -> Tasks* { return new X11Tasks(X11Connection::Open(name, "XT")); },
    [](const char* name) -> Clipboard* { return X11Clipboard::Open(name).release(); },
};

}  // namespace
}  // namespace hd::platform

extern "C" __attribute__((visibility("default"))) const hd::platform::X11Backends* HdX11Backends(
    const hd::platform::X11Host* host) {
    hd::platform::g_sink.Attach(host);
    return &hd::platform::kBackends;
}
