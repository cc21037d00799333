#include "agent/platform/Keys.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <iterator>

namespace hd::platform::keys {

namespace {

constexpr bool E0 = true;
constexpr bool N = false;

// The keys of a handheld's and a desktop keyboard. Modifier keys appear both
// generically (0x10-0x12) and as left/right keys; both map to the same keys.
constexpr KeyEntry kKeys[] = {
    {VK_BACK, 0x0E, N, KEY_BACKSPACE},
    {VK_TAB, 0x0F, N, KEY_TAB},
    {VK_RETURN, 0x1C, N, KEY_ENTER},
    {VK_SHIFT, 0x2A, N, KEY_LEFTSHIFT},
    {VK_CONTROL, 0x1D, N, KEY_LEFTCTRL},
    {0x12, 0x38, N, KEY_LEFTALT},  // menu (Alt)
    {0x13, 0x46, E0, KEY_PAUSE},
    {0x14, 0x3A, N, KEY_CAPSLOCK},
    {VK_ESCAPE, 0x01, N, KEY_ESC},
    {0x20, 0x39, N, KEY_SPACE},
    {0x21, 0x49, E0, KEY_PAGEUP},
    {0x22, 0x51, E0, KEY_PAGEDOWN},
    {VK_END, 0x4F, E0, KEY_END},
    {VK_HOME, 0x47, E0, KEY_HOME},
    {VK_LEFT, 0x4B, E0, KEY_LEFT},
    {VK_UP, 0x48, E0, KEY_UP},
    {VK_RIGHT, 0x4D, E0, KEY_RIGHT},
    {VK_DOWN, 0x50, E0, KEY_DOWN},
    {0x2C, 0x54, N, KEY_SYSRQ},  // print screen
    {0x2D, 0x52, E0, KEY_INSERT},
    {VK_DELETE, 0x53, E0, KEY_DELETE},
    {'0', 0x0B, N, KEY_0},
    {'1', 0x02, N, KEY_1},
    {'2', 0x03, N, KEY_2},
    {'3', 0x04, N, KEY_3},
    {'4', 0x05, N, KEY_4},
    {'5', 0x06, N, KEY_5},
    {'6', 0x07, N, KEY_6},
    {'7', 0x08, N, KEY_7},
    {'8', 0x09, N, KEY_8},
    {'9', 0x0A, N, KEY_9},
    {'A', 0x1E, N, KEY_A},
    {'B', 0x30, N, KEY_B},
    {'C', 0x2E, N, KEY_C},
    {'D', 0x20, N, KEY_D},
    {'E', 0x12, N, KEY_E},
    {'F', 0x21, N, KEY_F},
    {'G', 0x22, N, KEY_G},
    {'H', 0x23, N, KEY_H},
    {'I', 0x17, N, KEY_I},
    {'J', 0x24, N, KEY_J},
    {'K', 0x25, N, KEY_K},
    {'L', 0x26, N, KEY_L},
    {'M', 0x32, N, KEY_M},
    {'N', 0x31, N, KEY_N},
    {'O', 0x18, N, KEY_O},
    {'P', 0x19, N, KEY_P},
    {'Q', 0x10, N, KEY_Q},
    {'R', 0x13, N, KEY_R},
    {'S', 0x1F, N, KEY_S},
    {'T', 0x14, N, KEY_T},
    {'U', 0x16, N, KEY_U},
    {'V', 0x2F, N, KEY_V},
    {'W', 0x11, N, KEY_W},
    {'X', 0x2D, N, KEY_X},
    {'Y', 0x15, N, KEY_Y},
    {'Z', 0x2C, N, KEY_Z},
    {VK_LWIN, 0x5B, E0, KEY_LEFTMETA},
    {VK_RWIN, 0x5C, E0, KEY_RIGHTMETA},
    {0x5D, 0x5D, E0, KEY_COMPOSE},  // applications (context menu)
    {0x60, 0x52, N, KEY_KP0},
    {0x61, 0x4F, N, KEY_KP1},
    {0x62, 0x50, N, KEY_KP2},
    {0x63, 0x51, N, KEY_KP3},
    {0x64, 0x4B, N, KEY_KP4},
    {0x65, 0x4C, N, KEY_KP5},
    {0x66, 0x4D, N, KEY_KP6},
    {0x67, 0x47, N, KEY_KP7},
    {0x68, 0x48, N, KEY_KP8},
    {0x69, 0x49, N, KEY_KP9},
    {0x6A, 0x37, N, KEY_KPASTERISK},
    {0x6B, 0x4E, N, KEY_KPPLUS},
    {0x6D, 0x4A, N, KEY_KPMINUS},
    {0x6E, 0x53, N, KEY_KPDOT},
    {0x6F, 0x35, E0, KEY_KPSLASH},
    {0x70, 0x3B, N, KEY_F1},
    {0x71, 0x3C, N, KEY_F2},
    {0x72, 0x3D, N, KEY_F3},
    {0x73, 0x3E, N, KEY_F4},
    {0x74, 0x3F, N, KEY_F5},
    {0x75, 0x40, N, KEY_F6},
    {0x76, 0x41, N, KEY_F7},
    {0x77, 0x42, N, KEY_F8},
    {0x78, 0x43, N, KEY_F9},
    {0x79, 0x44, N, KEY_F10},
    {0x7A, 0x57, N, KEY_F11},
    {0x7B, 0x58, N, KEY_F12},
    {0x90, 0x45, N, KEY_NUMLOCK},
    {0x91, 0x46, N, KEY_SCROLLLOCK},
    {VK_LSHIFT, 0x2A, N, KEY_LEFTSHIFT},
    {VK_RSHIFT, 0x36, N, KEY_RIGHTSHIFT},
    {VK_LCONTROL, 0x1D, N, KEY_LEFTCTRL},
    {VK_RCONTROL, 0x1D, E0, KEY_RIGHTCTRL},
    {0xA4, 0x38, N, KEY_LEFTALT},
    {0xA5, 0x38, E0, KEY_RIGHTALT},
    {0xAD, 0x20, E0, KEY_MUTE},
    {0xAE, 0x2E, E0, KEY_VOLUMEDOWN},
    {0xAF, 0x30, E0, KEY_VOLUMEUP},
    {0xB0, 0x19, E0, KEY_NEXTSONG},
    {0xB1, 0x10, E0, KEY_PREVIOUSSONG},
    {0xB2, 0x24, E0, KEY_STOPCD},
    {0xB3, 0x22, E0, KEY_PLAYPAUSE},
    {0xBA, 0x27, N, KEY_SEMICOLON},
    {0xBB, 0x0D, N, KEY_EQUAL},
    {0xBC, 0x33, N, KEY_COMMA},
    {0xBD, 0x0C, N, KEY_MINUS},
    {0xBE, 0x34, N, KEY_DOT},
    {0xBF, 0x35, N, KEY_SLASH},
    {0xC0, 0x29, N, KEY_GRAVE},
    // The application buttons have no scan code; Linux has programmable keys.
    {VK_APP1, 0, N, KEY_PROG1},
    {0xC2, 0, N, KEY_PROG2},
    {0xC3, 0, N, KEY_PROG3},
    {0xC4, 0, N, KEY_PROG4},
    {VK_APP5, 0, N, KEY_RECORD},
    {VK_APP5_ALT, 0, N, KEY_RECORD},
    {0xDB, 0x1A, N, KEY_LEFTBRACE},
    {0xDC, 0x2B, N, KEY_BACKSLASH},
    {0xDD, 0x1B, N, KEY_RIGHTBRACE},
    {0xDE, 0x28, N, KEY_APOSTROPHE},
    {0xE2, 0x56, N, KEY_102ND},
};

static_assert(std::is_sorted(std::begin(kKeys), std::end(kKeys),
                             [](const KeyEntry& a, const KeyEntry& b) { return a.vk < b.vk; }));

struct LayoutKey {
    uint8_t vk;
    char plain;
    char shifted;
};

// The US layout's character keys, main block first so that a character
// found on both prefers the main key to the keypad.
constexpr LayoutKey kLayout[] = {
    {'1', '1', '!'},
    {'2', '2', '@'},
    {'3', '3', '#'},
    {'4', '4', '$'},
    {'5', '5', '%'},
    {'6', '6', '^'},
    {'7', '7', '&'},
    {'8', '8', '*'},
    {'9', '9', '('},
    {'0', '0', ')'},
    {0x20, ' ', ' '},
    {0xBA, ';', ':'},
    {0xBB, '=', '+'},
    {0xBC, ',', '<'},
    {0xBD, '-', '_'},
    {0xBE, '.', '>'},
    {0xBF, '/', '?'},
    {0xC0, '`', '~'},
    {0xDB, '[', '{'},
    {0xDC, '\\', '|'},
    {0xDD, ']', '}'},
    {0xDE, '\'', '"'},
    // The keypad, with Num Lock on; shift gives nothing here.
    {0x60, '0', 0},
    {0x61, '1', 0},
    {0x62, '2', 0},
    {0x63, '3', 0},
    {0x64, '4', 0},
    {0x65, '5', 0},
    {0x66, '6', 0},
    {0x67, '7', 0},
    {0x68, '8', 0},
    {0x69, '9', 0},
    {0x6A, '*', '*'},
    {0x6B, '+', '+'},
    {0x6D, '-', '-'},
    {0x6E, '.', 0},
    {0x6F, '/', '/'},
};

}  // namespace

std::span<const KeyEntry> Table() {
    return kKeys;
}

const KeyEntry* Find(uint32_t vk) {
    const auto it = std::lower_bound(std::begin(kKeys), std::end(kKeys), vk,
                                     [](const KeyEntry& e, uint32_t v) { return e.vk < v; });
    return it != std::end(kKeys) && it->vk == vk ? it : nullptr;
}

uint8_t ScanCode(uint32_t vk) {
    const KeyEntry* e = Find(vk);
    return e ? e->scan : 0;
}

uint16_t LinuxKey(uint32_t vk) {
    const KeyEntry* e = Find(vk);
    return e ? e->linuxKey : 0;
}

int AppButton(uint32_t vk) {
    if (vk >= VK_APP1 && vk <= VK_APP5) return int(vk - VK_APP1) + 1;
    return vk == VK_APP5_ALT ? 5 : 0;
}

std::optional<Typing> KeyForChar(uint32_t ch) {
    switch (ch) {
        case '\r':
        case '\n':
            return Typing{VK_RETURN, false};
        case '\t':
            return Typing{VK_TAB, false};
        case '\b':
            return Typing{VK_BACK, false};
        case 0x1B:
            return Typing{VK_ESCAPE, false};
    }
    if (ch >= 'a' && ch <= 'z') return Typing{uint8_t(ch - 'a' + 'A'), false};
    if (ch >= 'A' && ch <= 'Z') return Typing{uint8_t(ch), true};
    for (const LayoutKey& k : kLayout) {
        if (ch == uint8_t(k.plain)) return Typing{k.vk, false};
        if (k.shifted && ch == uint8_t(k.shifted)) return Typing{k.vk, true};
    }
    return std::nullopt;
}

char CharForKey(uint32_t vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return char(shift ? vk : vk - 'A' + 'a');
    for (const LayoutKey& k : kLayout)
        if (k.vk == vk) return shift ? k.shifted : k.plain;
    return 0;
}

}  // namespace hd::platform::keys
