// The desktop program's start options: -d (make the running instance quit, as
// the undocking auto-start does) and the options scripts and tests use. A
// plain parser, any thread; it never looks at the settings.
#pragma once

#include <string>
#include <vector>

namespace hd::desktop {

struct StartOptions {
    bool quitRunning = false;        // -d
    bool connect = false;            // --connect: connect at start whatever the flags say
    std::string settingsFile;        // --settings FILE: an INI file instead of the user's store
    std::string device = "virtual";  // --device: the local link's handheld
    std::string root;                // --root DIR: its root folder
    std::string screenshot;          // --screenshot FILE: save the window after the first frame
    std::string screenshotWindow;    // --screenshot-window NAME: save that tool window instead
    int measureLatency = 0;          // --measure-latency N: key-to-picture time over N presses
    bool help = false;
};

// False with a message for an unknown option or a missing or bad value.
bool ParseStartOptions(const std::vector<std::string>& args, StartOptions& out, std::string& error);
std::string StartUsage();

}  // namespace hd::desktop
