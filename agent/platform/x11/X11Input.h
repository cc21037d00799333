// X11Input (XI): input on an X11 display through the XTEST extension. Virtual
// keys become X key codes through the one key table (X key code = Linux key
// code + 8, the evdev rule the X servers here follow); a character is typed
// on the key the keyboard map has for it, or on a spare key code mapped to
// the character for the purpose; stylus positions are scaled from 0..65535 to
// the screen. Made at agent load, used on the HdInvoke thread on its own
// connection. It never leaves a key or button down that it pressed for a
// single message, and gives the spare key codes back when it ends.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "agent/platform/Input.h"
#include "agent/platform/x11/X11Connection.h"

namespace hd::platform {

class X11Input : public Input {
public:
    // Null, after one forced line saying that input is unavailable, when the
    // display cannot be opened or has no XTEST extension.
    static std::unique_ptr<X11Input> Open(const char* name);
    ~X11Input() override;

    InjectResult SendKeyboard(const KeyRecord& record) override;
    bool PostCharacter(uint32_t character) override;
    bool PostKeyDown(uint32_t vk) override;
    bool KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) override;
    bool MouseEvent(uint32_t flags, uint32_t x, uint32_t y) override;

    // The keysym that types a character; 0 for characters that type none.
    static KeySym CharKeysym(uint32_t ch);

private:
    // A key code with nothing on it, lent to characters the map lacks.
    struct Spare {
        KeyCode code;
        KeySym sym;     // NoSymbol while not lent
        uint64_t used;  // when last lent, for the least recently used
    };

    explicit X11Input(std::unique_ptr<X11Connection> connection);
    // Reads what the server sent meanwhile: size changes and map changes.
    void Drain();
    bool Key(unsigned code, bool down);
    bool Tap(unsigned code) { return Key(code, true) && Key(code, false); }
    unsigned CodeOf(uint32_t vk) const;
    unsigned SpareFor(KeySym sym);
    bool Failed();

    std::unique_ptr<X11Connection> m_connection;
    int m_width = 0;
    int m_height = 0;
    std::vector<Spare> m_spares;
    uint64_t m_clock = 0;
    bool m_failing = false;  // told once until a call succeeds again
};

}  // namespace hd::platform
