// What the file service (FileService) asks of the device's clipboard: one Unicode text
// block in, one out. Thread-safe: the command thread sets and reads it while
// a device-side user (another X11 client, the virtual shell) may do the same.
// Made at agent load and owned by the file service.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hd::platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's contents with one Unicode text block holding
    // exactly these UTF-16LE bytes (the sender's NUL included). False when the
    // block cannot be made; the clipboard is then empty.
    virtual bool SetUnicodeText(const uint8_t* data, size_t size) = 0;
    // A copy of the whole Unicode text block; false and out empty when the
    // clipboard holds none.
    virtual bool GetUnicodeText(std::vector<uint8_t>& out) = 0;
};

// The device clipboard for a device kind: the X11 CLIPBOARD selection for
// "x11", the compositor's clipboard for "wayland" (in memory when the display cannot be opened), an
// in-memory clipboard for "virtual" and "linux".
std::unique_ptr<Clipboard> CreateClipboard(const std::string& kind);

}  // namespace hd::platform
