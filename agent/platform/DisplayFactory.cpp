// The display backend chosen by name at agent load.
#include <cstdio>
#include <cstdlib>

#include "agent/platform/Display.h"
#include "agent/platform/WaylandBackends.h"
#include "agent/platform/X11Backends.h"
#include "agent/platform/linux/FbDevice.h"
#include "agent/platform/linux/FbDisplay.h"
#include "agent/platform/virtual/VirtualDisplay.h"
#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<Display> CreateDisplay(const std::string& kind) {
    std::unique_ptr<Display> display;
    if (kind == "virtual") {
        display = std::make_unique<VirtualDisplay>(VirtualDisplayOptions::FromEnvironment());
    } else if (kind == "linux") {
        const char* path = std::getenv("HANDREL_FBDEV");
        if (auto device = FbDevice::Open(path && *path ? path : "/dev/fb0"))
            display = FbDisplay::Open(std::move(device));
    } else if (kind == "x11") {
        if (const X11Backends* x11 = LoadX11Backends())
            display.reset(x11->display(std::getenv("DISPLAY")));
    } else if (kind == "wayland") {
        if (const ModuleBackends* wayland = LoadWaylandBackends())
            display.reset(wayland->display(nullptr));
    } else {
        log::Forced("Display::Create:Unknown display backend %s", kind.c_str());
    }
    // The log may not be open yet at agent load, so say it where a person
    // starting the agent will see it.
    if (!display)
        std::fprintf(stderr, "Handrel: display backend \"%s\" could not be opened\n", kind.c_str());
    return display;
}

}  // namespace hd::platform
