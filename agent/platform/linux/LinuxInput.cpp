#include "agent/platform/linux/LinuxInput.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "agent/platform/Keys.h"
#include "common/Log.h"

namespace hd::platform {

namespace {
constexpr uint16_t kHexKeys[16] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7,
                                   KEY_8, KEY_9, KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F};
}  // namespace

std::unique_ptr<LinuxInput> LinuxInput::Open() {
    auto keyboard = CreateEvdevDevice(KeyboardSetup());
    auto pointer = keyboard ? CreateEvdevDevice(PointerSetup()) : nullptr;
    if (!keyboard || !pointer) {
        const int error = errno;
        log::Forced("LI::Open:Error opening /dev/uinput (%s), input is unavailable",
                    std::strerror(error));
        // Said where a person starting the listener sees it, too.
        std::fprintf(stderr, "Handrel: input is unavailable: /dev/uinput: %s\n",
                     std::strerror(error));
        return nullptr;
    }
    return std::make_unique<LinuxInput>(std::move(keyboard), std::move(pointer));
}

LinuxInput::LinuxInput(std::unique_ptr<UinputDevice> keyboard,
                       std::unique_ptr<UinputDevice> pointer)
    : m_keyboard(std::move(keyboard)), m_pointer(std::move(pointer)) {}

UinputSetup LinuxInput::KeyboardSetup() {
    UinputSetup setup{"Handrel keyboard", {}, false};
    for (const keys::KeyEntry& e : keys::Table()) setup.keys.push_back(e.linuxKey);
    std::sort(setup.keys.begin(), setup.keys.end());
    setup.keys.erase(std::unique(setup.keys.begin(), setup.keys.end()), setup.keys.end());
    return setup;
}

UinputSetup LinuxInput::PointerSetup() {
    return {"Handrel stylus", {BTN_LEFT, BTN_RIGHT, BTN_TOUCH}, true};
}

bool LinuxInput::Emit(UinputDevice& device, uint16_t type, uint16_t code, int32_t value) {
    if (device.Write(type, code, value)) {
        m_failing = false;
        return true;
    }
    const int error = errno;
    if (!m_failing)
        log::Forced("LI::Write:Error writing input event %u/%u (%s)", unsigned(type),
                    unsigned(code), std::strerror(error));
    m_failing = true;
    errno = error;
    return false;
}

bool LinuxInput::Key(uint16_t code, bool down) {
    return Emit(*m_keyboard, EV_KEY, code, down ? 1 : 0) &&
           Emit(*m_keyboard, EV_SYN, SYN_REPORT, 0);
}

InjectResult LinuxInput::SendKeyboard(const KeyRecord& record) {
    const uint16_t code = keys::LinuxKey(record.vk);
    if (!code) return {0, EINVAL};
    if (!Key(code, !(record.flags & kKeyUp))) return {0, uint32_t(errno)};
    return {1, 0};
}

bool LinuxInput::KeybdEvent(uint8_t vk, uint8_t, uint32_t flags) {
    const uint16_t code = keys::LinuxKey(vk);
    return code && Key(code, !(flags & kKeyUp));
}

// A key message, not a key: the key goes down and comes straight up again, so
// nothing stays pressed (and repeating) on the device.
bool LinuxInput::PostKeyDown(uint32_t vk) {
    const uint16_t code = keys::LinuxKey(vk);
    return code && Tap(code);
}

bool LinuxInput::PostCharacter(uint32_t ch) {
    if (ch == 0 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return false;
    const auto typing = keys::KeyForChar(ch);
    if (!typing) return TypeHex(ch);
    const uint16_t code = keys::LinuxKey(typing->vk);
    if (!typing->shift) return Tap(code);
    // Shift is released even when the key could not be written.
    const bool ok = Key(KEY_LEFTSHIFT, true) && Tap(code);
    return Key(KEY_LEFTSHIFT, false) && ok;
}

// Ctrl+Shift+U, the code point in hexadecimal, Enter: the input method's
// entry for any character.
bool LinuxInput::TypeHex(uint32_t ch) {
    bool ok = Key(KEY_LEFTCTRL, true) && Key(KEY_LEFTSHIFT, true) && Tap(KEY_U);
    ok = Key(KEY_LEFTSHIFT, false) && ok;
    ok = Key(KEY_LEFTCTRL, false) && ok;
    if (!ok) return false;
    int shift = 28;
    while (shift > 0 && !(ch >> shift)) shift -= 4;
    for (; shift >= 0; shift -= 4)
        if (!Tap(kHexKeys[(ch >> shift) & 0xF])) return false;
    return Tap(KEY_ENTER);
}

bool LinuxInput::MouseEvent(uint32_t flags, uint32_t x, uint32_t y) {
    if (!(flags & kMouseAbsolute)) return false;  // the agent only makes absolute events
    constexpr uint32_t kActions =
        kMouseMove | kMouseLeftDown | kMouseLeftUp | kMouseRightDown | kMouseRightUp;
    if (!(flags & kActions)) return true;  // a position alone moves nothing
    UinputDevice& p = *m_pointer;
    bool ok = Emit(p, EV_ABS, ABS_X, int32_t(std::min<uint32_t>(x, 0xFFFF))) &&
              Emit(p, EV_ABS, ABS_Y, int32_t(std::min<uint32_t>(y, 0xFFFF)));
    if (ok && flags & kMouseLeftDown)
        ok = Emit(p, EV_KEY, BTN_LEFT, 1) && Emit(p, EV_KEY, BTN_TOUCH, 1);
    if (ok && flags & kMouseLeftUp)
        ok = Emit(p, EV_KEY, BTN_LEFT, 0) && Emit(p, EV_KEY, BTN_TOUCH, 0);
    if (ok && flags & kMouseRightDown) ok = Emit(p, EV_KEY, BTN_RIGHT, 1);
    if (ok && flags & kMouseRightUp) ok = Emit(p, EV_KEY, BTN_RIGHT, 0);
    return ok && Emit(p, EV_SYN, SYN_REPORT, 0);
}

}  // namespace hd::platform
