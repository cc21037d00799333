// The clipboard backend chosen by device kind at agent load.
#include <cstdlib>

#include "agent/platform/Clipboard.h"
#include "agent/platform/MemoryClipboard.h"
#include "agent/platform/x11/X11Clipboard.h"
#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<Clipboard> CreateClipboard(const std::string& kind) {
    if (kind == "x11") {
        if (auto clipboard = X11Clipboard::Open(std::getenv("DISPLAY"))) return clipboard;
        log::Forced("Clipboard::Create:the X clipboard is unavailable, using one in memory");
    }
    return std::make_unique<MemoryClipboard>();
}

}  // namespace hd::platform
