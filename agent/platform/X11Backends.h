// The X11 backends live in a module of their own (libhdagent-x11.so, beside
// libhdagent) so the agent needs no X library on a device without X. The
// module hands the agent one table of factories; the agent hands the module
// its log, since the module carries its own copy of the log's state.
#pragma once

namespace hd::platform {

class Display;
class Input;
class Tasks;
class Clipboard;

struct X11Host {
    void (*write)(bool forced, const char* text);
    bool (*enabled)();
};

// Each factory returns a new object the caller owns, or null (having logged
// why) when the display cannot be opened.
struct X11Backends {
    Display* (*display)(const char* name);
    Input* (*input)(const char* name);
    Tasks* (*tasks)(const char* name);  // never null: without the display it lists processes
    Clipboard* (*clipboard)(const char* name);
};

using X11BackendsEntry = const X11Backends* (*)(const X11Host* host);
constexpr const char* kX11ModuleName = "libhdagent-x11.so";
constexpr const char* kX11ModuleEntry = "HdX11Backends";

// The module's table, loaded on first use from the folder of the agent
// holding this code. Null when the module is missing or broken; the first
// failure is told on stderr and in the log.
const X11Backends* LoadX11Backends();

}  // namespace hd::platform
