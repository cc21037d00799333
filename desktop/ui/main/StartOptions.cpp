#include "desktop/ui/main/StartOptions.h"

#include <cstdlib>

namespace hd::desktop {

std::string StartUsage() {
    return "usage: handrel [-d] [--connect] [--settings FILE] [--device virtual|linux]\n"
           "               [--root DIR] [--screenshot FILE [--screenshot-window NAME]]\n"
           "               [--measure-latency N]\n"
           "  -d                   make the running Handrel quit\n"
           "  --connect            connect at start (as the automatic connect does)\n"
           "  --settings FILE      keep the settings in FILE instead of the user's store\n"
           "  --device, --root     the built-in link's handheld and its root folder\n"
           "  --screenshot FILE    connect, save the window as PNG after the first frame, quit\n"
           "  --screenshot-window NAME  the window to save instead: explorer, dos (after\n"
           "                       dir 1:\\), manager (its Applications page) or skin\n"
           "  --measure-latency N  connect, time N key presses to the changed picture, quit\n";
}

bool ParseStartOptions(const std::vector<std::string>& args, StartOptions& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "-d" || a == "-D") {
            o.quitRunning = true;
        } else if (a == "--connect") {
            o.connect = true;
        } else if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--settings") {
            if (!value(o.settingsFile)) return false;
        } else if (a == "--device") {
            if (!value(o.device)) return false;
            if (o.device != "virtual" && o.device != "linux") {
                error = "--device takes virtual or linux";
                return false;
            }
        } else if (a == "--root") {
            if (!value(o.root)) return false;
        } else if (a == "--screenshot") {
            if (!value(o.screenshot)) return false;
        } else if (a == "--screenshot-window") {
            if (!value(o.screenshotWindow)) return false;
        } else if (a == "--measure-latency") {
            std::string n;
            if (!value(n)) return false;
            char* end = nullptr;
            const long v = std::strtol(n.c_str(), &end, 10);
            if (*end != '\0' || v < 1 || v > 1000) {
                error = "--measure-latency takes a count from 1 to 1000";
                return false;
            }
            o.measureLatency = int(v);
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (!o.screenshotWindow.empty() && o.screenshot.empty()) {
        error = "--screenshot-window needs --screenshot FILE";
        return false;
    }
    return true;
}

}  // namespace hd::desktop
