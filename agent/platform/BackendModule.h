// Backends that need a display server's libraries (X11, Wayland) live in
// modules of their own beside libhdagent, so the agent links none of those
// libraries on a device without them. A module hands the agent one table of
// factories; the agent hands the module its log, since the module carries
// its own copy of the log's state. The module loader writes under "XM" for
// X11 and "WL" for Wayland.
#pragma once

namespace hd::platform {

class Display;
class Input;
class Tasks;
class Clipboard;

struct ModuleHost {
    void (*write)(bool forced, const char* text);
    bool (*enabled)();
};

// Each factory takes the display's name (null for the environment's) and
// returns a new object the caller owns, or null (having logged why) when the
// display cannot be opened.
struct ModuleBackends {
    Display* (*display)(const char* name);
    Input* (*input)(const char* name);
    Tasks* (*tasks)(const char* name);  // never null: without the display it lists processes
    Clipboard* (*clipboard)(const char* name);
};

using BackendModuleEntry = const ModuleBackends* (*)(const ModuleHost* host);

struct ModuleSpec {
    const char* file;   // "libhdagent-x11.so"
    const char* entry;  // the exported BackendModuleEntry
    const char* what;   // "X11", for the messages
    const char* tag;    // the log tag of the messages
};

// Loads a module from the folder of the agent holding this code and calls
// its entry. Null when the module is missing or broken, told on stderr and in
// the log. Not cached: callers load once.
const ModuleBackends* LoadBackendModule(const ModuleSpec& spec);

}  // namespace hd::platform
