// The task and system-information backends chosen by device kind at agent
// load: the virtual handheld's own, or the Linux device's (with the windows
// of its X11 display for x11).
#include "agent/platform/SystemInfo.h"
#include "agent/platform/Tasks.h"
#include "agent/platform/WaylandBackends.h"
#include "agent/platform/X11Backends.h"
#include "agent/platform/linux/LinuxSystemInfo.h"
#include "agent/platform/linux/ProcTasks.h"
#include "agent/platform/virtual/VirtualSystemInfo.h"
#include "agent/platform/virtual/VirtualTasks.h"

#include <cstdlib>

namespace hd::platform {

std::unique_ptr<Tasks> CreateTasks(const std::string& kind, Shell* shell) {
    if (kind == "virtual") return std::make_unique<VirtualTasks>(shell);
    // Without the display the processes are still listed, with no windows.
    if (kind == "x11")
        if (const X11Backends* x11 = LoadX11Backends())
            return std::unique_ptr<Tasks>(x11->tasks(std::getenv("DISPLAY")));
    if (kind == "wayland")
        if (const ModuleBackends* wayland = LoadWaylandBackends())
            return std::unique_ptr<Tasks>(wayland->tasks(nullptr));
    return std::make_unique<ProcTasks>();
}

std::unique_ptr<SystemInfo> CreateSystemInfo(const std::string& kind, const std::string& root,
                                             int width, int height) {
    if (kind == "virtual") return std::make_unique<VirtualSystemInfo>(width, height);
    // An X11 or Wayland screen here is true colour: no frame buffer counts
    // its colours.
    if (kind == "x11" || kind == "wayland")
        return std::make_unique<LinuxSystemInfo>(root, width, height, "/proc", "/sys", "");
    // The frame buffer the display reads decides the colour count.
    const char* fb = std::getenv("HANDREL_FBDEV");
    std::string name = fb && *fb ? fb : "/dev/fb0";
    name = name.substr(name.rfind('/') + 1);
    return std::make_unique<LinuxSystemInfo>(root, width, height, "/proc", "/sys", name);
}

}  // namespace hd::platform
