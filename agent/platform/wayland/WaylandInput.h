// WaylandInput (WI): input on a wlroots compositor through a virtual
// keyboard (zwp_virtual_keyboard_v1, with the keymap WaylandKeymap generates
// from the one key table) and a virtual pointer (zwlr_virtual_pointer_v1,
// absolute positions scaled from 0..65535 across the outputs). A character
// without a key is typed on a spare key code the keymap lends it, announced
// to the compositor before the key. Made at agent load, used on the HdInvoke
// thread on its own connection. It never leaves a key or button down that it
// pressed for a single message; what the compositor lacks is said once and
// then dropped.
#pragma once

#include <cstdint>
#include <memory>

#include "agent/platform/Input.h"
#include "agent/platform/wayland/WaylandConnection.h"
#include "agent/platform/wayland/WaylandKeymap.h"

struct zwp_virtual_keyboard_v1;
struct zwlr_virtual_pointer_v1;
struct zwlr_virtual_pointer_manager_v1;

namespace hd::platform {

class WaylandInput : public Input {
public:
    // Null, after one forced line saying that input is unavailable, when the
    // compositor cannot be reached or offers neither device.
    static std::unique_ptr<WaylandInput> Open(const char* name);
    ~WaylandInput() override;

    InjectResult SendKeyboard(const KeyRecord& record) override;
    bool PostCharacter(uint32_t character) override;
    bool PostKeyDown(uint32_t vk) override;
    bool KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) override;
    bool MouseEvent(uint32_t flags, uint32_t x, uint32_t y) override;

    bool HasKeyboard() const { return m_keyboard != nullptr; }
    bool HasPointer() const { return m_pointers != nullptr; }

    // How long the first stylus event waits after making the pointer, for
    // the clients to take up the seat's new pointer.
    static constexpr int kPointerSettleMs = 100;

private:
    explicit WaylandInput(std::unique_ptr<WaylandConnection> connection);
    bool SendKeymap();
    bool Key(uint32_t code, bool down);
    bool Tap(uint32_t code) { return Key(code, true) && Key(code, false); }
    bool Flush();
    uint32_t Now() const;

    std::unique_ptr<WaylandConnection> m_connection;
    wl_seat* m_seat = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    // Made at the first stylus event: a compositor that draws its cursor
    // into the output shows it only once something points.
    zwlr_virtual_pointer_manager_v1* m_pointers = nullptr;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
    std::unique_ptr<WaylandKeymap> m_keymap;
    // The compositor keeps no modifier state for a virtual keyboard: this one
    // follows the keys sent and is told after each change.
    xkb_state* m_state = nullptr;
    uint32_t m_sentMods[4] = {};
    bool m_failing = false;  // told once until a call succeeds again
};

}  // namespace hd::platform
