#include "agent/platform/x11/X11Input.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "agent/platform/Keys.h"
#include "common/Log.h"

namespace hd::platform {

namespace {
constexpr size_t kMaxSpares = 8;
constexpr unsigned kLeftButton = 1;
constexpr unsigned kRightButton = 3;
// The evdev rule of the X servers: key code = Linux key code + 8.
constexpr unsigned kEvdevOffset = 8;

// Scales 0..65535 across the screen: v * size / 65536.
int Scale(uint32_t v, int size) {
    return int((uint64_t(std::min<uint32_t>(v, 0xFFFF)) * uint64_t(std::max(size, 0))) >> 16);
}
}  // namespace

std::unique_ptr<X11Input> X11Input::Open(const char* name) {
    auto connection = X11Connection::Open(name, "XI");
    int event = 0, error = 0, major = 0, minor = 0;
    if (connection && !XTestQueryExtension(connection->Get(), &event, &error, &major, &minor)) {
        log::Forced("XI::Open:the X server has no XTEST extension, input is unavailable");
        connection.reset();
    }
    if (!connection) {
        std::fprintf(stderr, "Handrel: input is unavailable on the X display\n");
        return nullptr;
    }
    return std::unique_ptr<X11Input>(new X11Input(std::move(connection)));
}

X11Input::X11Input(std::unique_ptr<X11Connection> connection)
    : m_connection(std::move(connection)) {
    ::Display* d = m_connection->Get();
    m_width = DisplayWidth(d, m_connection->ScreenNumber());
    m_height = DisplayHeight(d, m_connection->ScreenNumber());
    XSelectInput(d, m_connection->Root(), StructureNotifyMask);
    // The spare key codes: those with no symbol at all, from the top down.
    int min = 0, max = 0, perCode = 0;
    XDisplayKeycodes(d, &min, &max);
    KeySym* map = XGetKeyboardMapping(d, KeyCode(min), max - min + 1, &perCode);
    if (map) {
        for (int code = max; code >= min && m_spares.size() < kMaxSpares; --code) {
            const KeySym* syms = map + size_t(code - min) * size_t(perCode);
            if (std::all_of(syms, syms + perCode, [](KeySym s) { return s == NoSymbol; }))
                m_spares.push_back({KeyCode(code), NoSymbol, 0});
        }
        XFree(map);
    }
    log::Log("XI::Open:%s %dx%d, %zu spare key codes", m_connection->Name().c_str(), m_width,
             m_height, m_spares.size());
}

X11Input::~X11Input() {
    ::Display* d = m_connection->Get();
    KeySym none[2] = {NoSymbol, NoSymbol};
    for (const Spare& s : m_spares)
        if (s.sym != NoSymbol) XChangeKeyboardMapping(d, s.code, 2, none, 1);
    XSync(d, False);
}

void X11Input::Drain() {
    ::Display* d = m_connection->Get();
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == m_connection->Root()) {
            m_width = event.xconfigure.width;
            m_height = event.xconfigure.height;
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        }
    }
}

bool X11Input::Failed() {
    if (!m_connection->Broken()) {
        m_failing = false;
        return false;
    }
    if (!m_failing) log::Forced("XI::Send:the X server is gone, input is lost");
    m_failing = true;
    return true;
}

bool X11Input::Key(unsigned code, bool down) {
    XTestFakeKeyEvent(m_connection->Get(), code, down ? True : False, CurrentTime);
    XFlush(m_connection->Get());
    return !Failed();
}

unsigned X11Input::CodeOf(uint32_t vk) const {
    const uint16_t key = keys::LinuxKey(vk);
    return key && key + kEvdevOffset <= 255 ? key + kEvdevOffset : 0;
}

InjectResult X11Input::SendKeyboard(const KeyRecord& record) {
    Drain();
    const unsigned code = CodeOf(record.vk);
    if (!code) return {0, EINVAL};
    if (!Key(code, !(record.flags & kKeyUp))) return {0, EPIPE};
    return {1, 0};
}

bool X11Input::KeybdEvent(uint8_t vk, uint8_t, uint32_t flags) {
    Drain();
    const unsigned code = CodeOf(vk);
    return code && Key(code, !(flags & kKeyUp));
}

// A key message, not a key: the key goes down and comes straight up again, so
// nothing stays pressed (and repeating) on the device.
bool X11Input::PostKeyDown(uint32_t vk) {
    Drain();
    const unsigned code = CodeOf(vk);
    return code && Tap(code);
}

KeySym X11Input::CharKeysym(uint32_t ch) {
    switch (ch) {
        case 0x08:
            return XK_BackSpace;
        case 0x09:
            return XK_Tab;
        case 0x0A:
        case 0x0D:
            return XK_Return;
        case 0x1B:
            return XK_Escape;
        case 0x7F:
            return XK_Delete;
    }
    if (ch < 0x20 || (ch > 0x7E && ch < 0xA0)) return 0;
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
    if (ch <= 0xFF) return KeySym(ch);  // Latin-1 keysyms are the code points
    return KeySym(0x01000000 | ch);     // the Unicode keysyms
}

unsigned X11Input::SpareFor(KeySym sym) {
    ++m_clock;
    for (Spare& s : m_spares)
        if (s.sym == sym) {
            s.used = m_clock;
            return s.code;
        }
    if (m_spares.empty()) return 0;
    // The least recently lent code is mapped anew. Mappings stay after the
    // key is typed: a client reads the map when it handles the key, which may
    // be long after.
    Spare& s = *std::min_element(m_spares.begin(), m_spares.end(),
                                 [](const Spare& a, const Spare& b) { return a.used < b.used; });
    KeySym syms[2] = {sym, sym};
    ::Display* d = m_connection->Get();
    XChangeKeyboardMapping(d, s.code, 2, syms, 1);
    XSync(d, False);  // mapped before the key goes down
    s.sym = sym;
    s.used = m_clock;
    return s.code;
}

bool X11Input::PostCharacter(uint32_t ch) {
    Drain();
    const KeySym sym = CharKeysym(ch);
    if (!sym) return false;
    ::Display* d = m_connection->Get();
    // A key of the map that types it, alone or with Shift (first group).
    const KeyCode code = XKeysymToKeycode(d, sym);
    const bool spare = std::any_of(m_spares.begin(), m_spares.end(),
                                   [code](const Spare& s) { return s.code == code; });
    if (code && !spare) {
        if (XkbKeycodeToKeysym(d, code, 0, 0) == sym) return Tap(code);
        if (XkbKeycodeToKeysym(d, code, 0, 1) == sym) {
            const unsigned shift = CodeOf(keys::VK_SHIFT);
            // Shift is released even when the key could not be sent.
            const bool ok = Key(shift, true) && Tap(code);
            return Key(shift, false) && ok;
        }
    }
    const unsigned lent = SpareFor(sym);
    if (!lent) {
        log::Forced("XI::PostCharacter:no spare key code for U+%04X", unsigned(ch));
        return false;
    }
    return Tap(lent);
}

bool X11Input::MouseEvent(uint32_t flags, uint32_t x, uint32_t y) {
    if (!(flags & kMouseAbsolute)) return false;  // the agent only makes absolute events
    constexpr uint32_t kActions =
        kMouseMove | kMouseLeftDown | kMouseLeftUp | kMouseRightDown | kMouseRightUp;
    if (!(flags & kActions)) return true;  // a position alone moves nothing
    Drain();
    ::Display* d = m_connection->Get();
    XTestFakeMotionEvent(d, m_connection->ScreenNumber(), Scale(x, m_width), Scale(y, m_height),
                         CurrentTime);
    if (flags & kMouseLeftDown) XTestFakeButtonEvent(d, kLeftButton, True, CurrentTime);
    if (flags & kMouseLeftUp) XTestFakeButtonEvent(d, kLeftButton, False, CurrentTime);
    if (flags & kMouseRightDown) XTestFakeButtonEvent(d, kRightButton, True, CurrentTime);
    if (flags & kMouseRightUp) XTestFakeButtonEvent(d, kRightButton, False, CurrentTime);
    XFlush(d);
    return !Failed();
}

}  // namespace hd::platform
