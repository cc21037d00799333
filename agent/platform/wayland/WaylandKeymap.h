// WaylandKeymap: the xkb keymap the virtual keyboard announces, generated
// with xkbcommon from the one key table (the keysyms of each table key on
// the US layout) plus a few spare key codes lent to characters the layout
// has no key for, as the X11 backend lends spare X key codes. Pure data and
// xkbcommon, no compositor; used on the HdInvoke thread by the Wayland input.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hd::platform {

class WaylandKeymap {
public:
    static constexpr size_t kSpares = 8;

    // Null, with a forced "WI::Keymap:" line, when xkbcommon cannot compile
    // the layout.
    static std::unique_ptr<WaylandKeymap> Create();
    ~WaylandKeymap();
    WaylandKeymap(const WaylandKeymap&) = delete;
    WaylandKeymap& operator=(const WaylandKeymap&) = delete;

    // The whole keymap as xkb text, spares as lent now; empty when the
    // generated text does not compile (logged).
    std::string Text() const;
    // The same, and the compiled map for keeping the modifier state (the
    // caller unrefs it); null when it does not compile.
    xkb_keymap* Compile(std::string& text) const;

    // The keysym a character types; 0 for characters that type none.
    static xkb_keysym_t CharKeysym(uint32_t ch);

    struct Key {
        uint32_t code;  // Linux key code
        bool shift;
    };
    // A table key that types the character, alone or with Shift: the one
    // the key table names for it first, else any that types its keysym.
    std::optional<Key> KeyFor(uint32_t ch) const;
    // A spare key code for sym: the one that has it, else the least recently
    // lent one, mapped anew (changed is then true and Text() differs).
    uint32_t Lend(xkb_keysym_t sym, bool& changed);
    std::vector<uint32_t> SpareCodes() const;

private:
    struct Entry {
        uint32_t code;  // xkb key code (Linux + 8)
        std::vector<xkb_keysym_t> levels;
    };
    struct Spare {
        uint32_t code;  // xkb key code
        xkb_keysym_t sym = XKB_KEY_NoSymbol;
        uint64_t used = 0;
    };
    WaylandKeymap(xkb_context* context) : m_context(context) {}

    xkb_context* m_context;
    std::vector<Entry> m_entries;
    std::vector<Spare> m_spares;
    uint64_t m_clock = 0;
};

}  // namespace hd::platform
