// The virtual handheld's running applications as its task table sees them.
// Implemented by the interactive handheld (which draws them); read by the
// virtual task backend. Thread-safe: the screen thread draws while the
// command thread lists, activates and closes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hd::platform {

struct ShellApp {
    uint32_t pid = 0;     // stable for the life of the application
    std::string exe;      // e.g. "notes.exe"
    std::string title;    // its window's title
    bool visible = true;  // the window is shown
};

class Shell {
public:
    virtual ~Shell() = default;
    // Running applications, the one in front first.
    virtual std::vector<ShellApp> Apps() = 0;
    // Brings the application to the front of the screen; false when unknown.
    virtual bool Activate(uint32_t pid) = 0;
    // The close request to the application's window; false when unknown.
    virtual bool Close(uint32_t pid) = 0;
    // Ends the application at once (terminate); false when unknown.
    virtual bool Terminate(uint32_t pid) = 0;
};

}  // namespace hd::platform
