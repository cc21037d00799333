// KeyMap: the one place where a key pressed in the live view becomes the input
// commands the handheld receives. A pure function from the toolkit's key code,
// the modifiers and the typed text to HC_KEY / HC_SHIFTKEY / HC_KEYDOWN /
// HC_CHAR commands, following the handheld's keyboard layout (`Keyboard`).
// Any thread; it never sends anything itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hd::desktop {

struct KeyInput {
    int key = 0;  // a Qt::Key value
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool autoRepeat = false;
    std::u32string text;  // what the key typed, as code points
};

struct KeyCommand {
    uint8_t command;  // HC_KEY, HC_SHIFTKEY, HC_KEYDOWN or HC_CHAR
    uint32_t value;   // the virtual key, or the character for HC_CHAR
    bool operator==(const KeyCommand&) const = default;
};

// The commands one key press sends, in order; none for a lone modifier, a
// Control or Alt chord on a character key, or a key the handheld lacks.
// layout is the stored `Keyboard` code (0 English ... 7 English(UK)); an
// unknown code counts as English.
std::vector<KeyCommand> MapKey(const KeyInput& in, int layout);

// How the layout types a character: its virtual key and whether Shift is
// held; false for a character the layout has no key of its own for.
bool KeyForCharacter(char32_t ch, int layout, uint8_t& vk, bool& shift);

}  // namespace hd::desktop
