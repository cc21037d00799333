// What the agent asks of the device's input system: the four ways the key
// sender (KeySender) injects keys, characters and stylus events. Every method is
// called on the HdInvoke thread, one command at a time, in the order the
// desktop sent them; none blocks for long and none throws. Backends: virtual
// (the built-in handheld reacts), linux (uinput), x11 (XTEST), wayland (virtual keyboard and
// pointer), and a dropping one when the device offers no input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hd::platform {

// Keyboard record flags.
constexpr uint32_t kKeyUp = 0x0002;
// Key-state flag of a posted key message: the key is down.
constexpr uint8_t kKeyStateDown = 0x80;

// Stylus (mouse) event flags; every event the agent makes is absolute, with x
// and y in 0..65535 across the screen.
constexpr uint32_t kMouseMove = 0x0001;
constexpr uint32_t kMouseLeftDown = 0x0002;
constexpr uint32_t kMouseLeftUp = 0x0004;
constexpr uint32_t kMouseRightDown = 0x0008;
constexpr uint32_t kMouseRightUp = 0x0010;
constexpr uint32_t kMouseAbsolute = 0x8000;

// One keyboard input record, as the input queue receives it.
struct KeyRecord {
    uint16_t vk = 0;     // virtual key
    uint16_t scan = 0;   // AT set-1 scan code, 0 when unknown
    uint32_t flags = 0;  // 0 key down, kKeyUp key up
};

// What inserting a record into the input queue gave: the number of events
// inserted (0 or 1) and the backend's last error (an errno value, 0 for none).
struct InjectResult {
    uint32_t inserted = 0;
    uint32_t lastError = 0;
};

class InputTarget;

class Input {
public:
    virtual ~Input() = default;

    // Inserts one keyboard record into the input queue, as a hardware key.
    virtual InjectResult SendKeyboard(const KeyRecord& record) = 0;
    // Posts a character that has no key of its own to the focus window
    // (virtual key 0, no shift state). False when it could not be delivered.
    virtual bool PostCharacter(uint32_t character) = 0;
    // Posts a key-down message of the virtual key (key-state flag 0x80, no
    // character) to the focus window. False when it could not be delivered.
    virtual bool PostKeyDown(uint32_t vk) = 0;
    // The older key-event call: virtual key, scan code, flags (0 or kKeyUp).
    virtual bool KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) = 0;
    // An absolute stylus event: the flags above, x and y in 0..65535. Flags
    // with neither a move nor a button (kMouseAbsolute alone) change nothing.
    virtual bool MouseEvent(uint32_t flags, uint32_t x, uint32_t y) = 0;
};

// The input backend by device kind ("virtual", "linux", "x11", "wayland"). The virtual one
// delivers to handheld, which must outlive it; without a handheld, or when the
// kind's device cannot be opened, a backend that drops every event is returned
// after one forced log line. Never null.
std::unique_ptr<Input> CreateInput(const std::string& kind, InputTarget* handheld);

}  // namespace hd::platform
