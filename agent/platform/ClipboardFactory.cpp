// The clipboard backend chosen by device kind at agent load.
#include <cstdlib>

#include "agent/platform/Clipboard.h"
#include "agent/platform/MemoryClipboard.h"
#include "agent/platform/WaylandBackends.h"
#include "agent/platform/X11Backends.h"
#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<Clipboard> CreateClipboard(const std::string& kind) {
    if (kind == "x11") {
        const X11Backends* x11 = LoadX11Backends();
        if (Clipboard* clipboard = x11 ? x11->clipboard(std::getenv("DISPLAY")) : nullptr)
            return std::unique_ptr<Clipboard>(clipboard);
        log::Forced("Clipboard::Create:the X clipboard is unavailable, using one in memory");
    } else if (kind == "wayland") {
        const ModuleBackends* wayland = LoadWaylandBackends();
        if (Clipboard* clipboard = wayland ? wayland->clipboard(nullptr) : nullptr)
            return std::unique_ptr<Clipboard>(clipboard);
        log::Forced("Clipboard::Create:the Wayland clipboard is unavailable, using one in memory");
    }
    return std::make_unique<MemoryClipboard>();
}

}  // namespace hd::platform
