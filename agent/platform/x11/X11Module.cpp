// libhdagent-x11.so's one export: the X11 backends' factories. Its log lines
// go to the agent's log, which decides whether logging is on.
#include <cstdlib>

#include "agent/platform/X11Backends.h"
#include "agent/platform/x11/X11Clipboard.h"
#include "agent/platform/x11/X11Display.h"
#include "agent/platform/x11/X11Input.h"
#include "agent/platform/x11/X11Tasks.h"
#include "common/Log.h"

namespace hd::platform {
namespace {

class HostSink : public log::Sink {
public:
    void Write(bool forced, const char* text) override {
        if (m_host && (forced || m_host->enabled())) m_host->write(forced, text);
    }
    const X11Host* m_host = nullptr;
};

HostSink g_sink;

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
    hd::platform::g_sink.m_host = host;
    hd::log::SetSink(&hd::platform::g_sink);
    // Every line reaches the sink; the agent's switch decides there.
    hd::log::SetEnabled(true);
    return &hd::platform::kBackends;
}
