#include "agent/platform/wayland/WaylandInput.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "agent/platform/Keys.h"
#include "common/Log.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace hd::platform {

namespace {
constexpr uint32_t kKeymapXkbV1 = 1;  // wl_keyboard's keymap format
constexpr uint32_t kExtent = 65536;   // x of kExtent across the outputs, as X11 scales
}  // namespace

std::unique_ptr<WaylandInput> WaylandInput::Open(const char* name) {
    auto connection = WaylandConnection::Open(name, "WI");
    std::unique_ptr<WaylandInput> input;
    if (connection) input.reset(new WaylandInput(std::move(connection)));
    if (input && !input->m_keyboard && !input->m_pointers) {
        log::Forced(
            "WI::Open:the compositor offers no virtual keyboard or pointer, input is "
            "unavailable");
        input.reset();
    }
    if (!input) std::fprintf(stderr, "Handrel: input is unavailable on the Wayland display\n");
    return input;
}

WaylandInput::WaylandInput(std::unique_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection)) {
    WaylandConnection& c = *m_connection;
    m_seat = c.Bind<wl_seat>(&wl_seat_interface, 1);
    auto* keyboards =
        c.Bind<zwp_virtual_keyboard_manager_v1>(&zwp_virtual_keyboard_manager_v1_interface, 1);
    m_pointers =
        c.Bind<zwlr_virtual_pointer_manager_v1>(&zwlr_virtual_pointer_manager_v1_interface, 2);
    if (!m_seat) {
        log::Forced("WI::Open:the compositor on %s has no seat", c.Name().c_str());
    } else {
        if (!keyboards)
            log::Forced(
                "WI::Open:the compositor on %s has no zwp_virtual_keyboard_manager_v1, "
                "keys are dropped",
                c.Name().c_str());
        if (!m_pointers)
            log::Forced(
                "WI::Open:the compositor on %s has no zwlr_virtual_pointer_manager_v1, "
                "stylus events are dropped",
                c.Name().c_str());
    }
    if (m_seat && keyboards) m_keymap = WaylandKeymap::Create();
    if (m_seat && keyboards && m_keymap) {
        m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, m_seat);
        // The compositor takes no key before the keyboard has a map.
        if (!SendKeymap()) {
            zwp_virtual_keyboard_v1_destroy(m_keyboard);
            m_keyboard = nullptr;
        }
    }
    // The keyboard manager is only needed to make the keyboard.
    if (keyboards) zwp_virtual_keyboard_manager_v1_destroy(keyboards);
    if (!c.Roundtrip()) {
        log::Forced("WI::Open:the compositor on %s refused the virtual devices", c.Name().c_str());
        m_keyboard = nullptr;
        m_pointers = nullptr;
        return;
    }
    log::Log("WI::Open:%s%s%s", c.Name().c_str(), m_keyboard ? ", keyboard" : "",
             m_pointers ? ", pointer" : "");
}

WaylandInput::~WaylandInput() {
    if (m_state) xkb_state_unref(m_state);
    if (m_keyboard) zwp_virtual_keyboard_v1_destroy(m_keyboard);
    if (m_pointer) zwlr_virtual_pointer_v1_destroy(m_pointer);
    if (m_pointers) zwlr_virtual_pointer_manager_v1_destroy(m_pointers);
    if (m_seat) wl_seat_destroy(m_seat);
    m_connection->Roundtrip();
}

uint32_t WaylandInput::Now() const {
    return uint32_t(WaylandConnection::NowMs());
}

bool WaylandInput::SendKeymap() {
    std::string text;
    xkb_keymap* keymap = m_keymap->Compile(text);
    if (!keymap) return false;
    // Modifiers held across the change stay held.
    xkb_state* state = xkb_state_new(keymap);
    xkb_keymap_unref(keymap);
    if (m_state) {
        xkb_state_update_mask(state, xkb_state_serialize_mods(m_state, XKB_STATE_MODS_DEPRESSED),
                              xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LATCHED),
                              xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LOCKED), 0, 0,
                              xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE));
        xkb_state_unref(m_state);
    }
    m_state = state;
    const int fd = ::memfd_create("handrel-keymap", MFD_CLOEXEC);
    // The size counts the text's terminating NUL, which readers expect.
    const bool ok =
        fd >= 0 && ::write(fd, text.c_str(), text.size() + 1) == ssize_t(text.size() + 1);
    if (!ok) {
        log::Forced("WI::Keymap:cannot hand the keymap over: %s", std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return false;
    }
    zwp_virtual_keyboard_v1_keymap(m_keyboard, kKeymapXkbV1, fd, uint32_t(text.size() + 1));
    ::close(fd);
    return Flush();
}

bool WaylandInput::Flush() {
    if (wl_display_flush(m_connection->Get()) >= 0 || errno == EAGAIN) {
        // Events the compositor sent meanwhile (errors among them) are read.
        m_connection->Dispatch(0);
    }
    if (!m_connection->Broken()) {
        m_failing = false;
        return true;
    }
    if (!m_failing) log::Forced("WI::Send:the compositor is gone, input is lost");
    m_failing = true;
    return false;
}

bool WaylandInput::Key(uint32_t code, bool down) {
    if (!m_keyboard || !code) return false;
    zwp_virtual_keyboard_v1_key(
        m_keyboard, Now(), code,
        down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (m_state) {
        xkb_state_update_key(m_state, code + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        const uint32_t mods[4] = {xkb_state_serialize_mods(m_state, XKB_STATE_MODS_DEPRESSED),
                                  xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LATCHED),
                                  xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LOCKED),
                                  xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE)};
        if (std::memcmp(mods, m_sentMods, sizeof mods) != 0) {
            zwp_virtual_keyboard_v1_modifiers(m_keyboard, mods[0], mods[1], mods[2], mods[3]);
            std::memcpy(m_sentMods, mods, sizeof mods);
        }
    }
    return Flush();
}

InjectResult WaylandInput::SendKeyboard(const KeyRecord& record) {
    if (!m_keyboard) return {0, ENODEV};
    const uint16_t code = keys::LinuxKey(record.vk);
    if (!code) return {0, EINVAL};
    if (!Key(code, !(record.flags & kKeyUp))) return {0, EPIPE};
    return {1, 0};
}

bool WaylandInput::KeybdEvent(uint8_t vk, uint8_t, uint32_t flags) {
    const uint16_t code = keys::LinuxKey(vk);
    return code && Key(code, !(flags & kKeyUp));
}

// A key message, not a key: the key goes down and comes straight up again, so
// nothing stays pressed (and repeating) on the device.
bool WaylandInput::PostKeyDown(uint32_t vk) {
    const uint16_t code = keys::LinuxKey(vk);
    return code && Tap(code);
}

bool WaylandInput::PostCharacter(uint32_t ch) {
    if (!m_keyboard) return false;
    const xkb_keysym_t sym = WaylandKeymap::CharKeysym(ch);
    if (!sym) return false;
    if (const auto key = m_keymap->KeyFor(ch)) {
        if (!key->shift) return Tap(key->code);
        const uint16_t shift = keys::LinuxKey(keys::VK_SHIFT);
        // Shift is released even when the key could not be sent.
        const bool ok = Key(shift, true) && Tap(key->code);
        return Key(shift, false) && ok;
    }
    bool changed = false;
    const uint32_t code = m_keymap->Lend(sym, changed);
    if (!code) {
        log::Forced("WI::PostCharacter:no spare key code for U+%04X", unsigned(ch));
        return false;
    }
    // The new map reaches the compositor before the key that needs it.
    if (changed && !SendKeymap()) return false;
    return Tap(code);
}

bool WaylandInput::MouseEvent(uint32_t flags, uint32_t x, uint32_t y) {
    if (!(flags & kMouseAbsolute)) return false;  // the agent only makes absolute events
    constexpr uint32_t kActions =
        kMouseMove | kMouseLeftDown | kMouseLeftUp | kMouseRightDown | kMouseRightUp;
    if (!(flags & kActions)) return true;  // a position alone moves nothing
    if (!m_pointers || !m_seat) return false;
    if (!m_pointer) {
        m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(m_pointers, m_seat);
        // Clients learn of the seat's pointer and ask for theirs meanwhile;
        // events sent before they have it would be lost.
        if (!m_connection->Roundtrip()) return Flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPointerSettleMs));
    }
    const uint32_t t = Now();
    zwlr_virtual_pointer_v1_motion_absolute(m_pointer, t, std::min<uint32_t>(x, 0xFFFF),
                                            std::min<uint32_t>(y, 0xFFFF), kExtent, kExtent);
    zwlr_virtual_pointer_v1_frame(m_pointer);
    auto button = [&](uint32_t code, bool down) {
        zwlr_virtual_pointer_v1_button(
            m_pointer, t, code,
            down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(m_pointer);
    };
    if (flags & kMouseLeftDown) button(BTN_LEFT, true);
    if (flags & kMouseLeftUp) button(BTN_LEFT, false);
    if (flags & kMouseRightDown) button(BTN_RIGHT, true);
    if (flags & kMouseRightUp) button(BTN_RIGHT, false);
    return Flush();
}

}  // namespace hd::platform
