// The device's one table of keys: each virtual key the desktop may send with
// its AT set-1 scan code (what the key sender reports in its keyboard
// records) and its Linux input key code (what the uinput backend presses),
// plus the US layout that turns keys into characters and back. Constant data
// and pure functions, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace hd::platform::keys {

// Virtual keys the agent itself names.
constexpr uint8_t VK_BACK = 0x08;
constexpr uint8_t VK_TAB = 0x09;
constexpr uint8_t VK_RETURN = 0x0D;
constexpr uint8_t VK_SHIFT = 0x10;
constexpr uint8_t VK_CONTROL = 0x11;
constexpr uint8_t VK_ESCAPE = 0x1B;
constexpr uint8_t VK_END = 0x23;
constexpr uint8_t VK_HOME = 0x24;
constexpr uint8_t VK_LEFT = 0x25;
constexpr uint8_t VK_UP = 0x26;
constexpr uint8_t VK_RIGHT = 0x27;
constexpr uint8_t VK_DOWN = 0x28;
constexpr uint8_t VK_DELETE = 0x2E;
constexpr uint8_t VK_LWIN = 0x5B;
constexpr uint8_t VK_RWIN = 0x5C;
constexpr uint8_t VK_LSHIFT = 0xA0;
constexpr uint8_t VK_RSHIFT = 0xA1;
constexpr uint8_t VK_LCONTROL = 0xA2;
constexpr uint8_t VK_RCONTROL = 0xA3;
// The hardware application buttons 1 to 5; some devices send 0xCF for the fifth.
constexpr uint8_t VK_APP1 = 0xC1;
constexpr uint8_t VK_APP5 = 0xC5;
constexpr uint8_t VK_APP5_ALT = 0xCF;

struct KeyEntry {
    uint8_t vk;
    uint8_t scan;       // set-1 scan code without the 0xE0 prefix; 0 for none
    bool extended;      // the scan code is sent after 0xE0
    uint16_t linuxKey;  // KEY_* of <linux/input-event-codes.h>
};

// Every key of the table, in virtual-key order.
std::span<const KeyEntry> Table();
// The entry of a virtual key, or null.
const KeyEntry* Find(uint32_t vk);

// The scan code the system's virtual-key-to-scan-code mapping gives: the
// set-1 code without its prefix, 0 for a key it does not know.
uint8_t ScanCode(uint32_t vk);
// The Linux key code of a virtual key; 0 when it has none.
uint16_t LinuxKey(uint32_t vk);

// The application button (1 to 5) a virtual key stands for, or 0.
int AppButton(uint32_t vk);

// How a character is typed on the US layout.
struct Typing {
    uint8_t vk;
    bool shift;
};
// The key (and shift) that types the character; none for characters the
// layout has no key for. Carriage return and line feed type Enter.
std::optional<Typing> KeyForChar(uint32_t ch);
// The character a key types on the US layout with or without shift; 0 for a
// key that types none (Enter, Backspace and Tab count as keys here).
char CharForKey(uint32_t vk, bool shift);

}  // namespace hd::platform::keys
