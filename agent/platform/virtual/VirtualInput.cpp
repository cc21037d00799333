#include "agent/platform/virtual/VirtualInput.h"

#include <cerrno>

#include "agent/platform/Keys.h"

namespace hd::platform {

namespace {
constexpr uint8_t kCapsLock = 0x14;
constexpr uint8_t kMenu = 0x12, kLeftMenu = 0xA4, kRightMenu = 0xA5;

bool IsModifier(uint8_t vk) {
    using namespace keys;
    switch (vk) {
        case VK_SHIFT:
        case VK_CONTROL:
        case kMenu:
        case VK_LWIN:
        case VK_RWIN:
        case VK_LSHIFT:
        case VK_RSHIFT:
        case VK_LCONTROL:
        case VK_RCONTROL:
        case kLeftMenu:
        case kRightMenu:
            return true;
    }
    return false;
}

// Scales 0..65535 across the screen: x * width / 65536.
int Scale(uint32_t v, int size) {
    if (v > 0xFFFF) v = 0xFFFF;
    return int((uint64_t(v) * uint64_t(size)) >> 16);
}
}  // namespace

InjectResult VirtualInput::SendKeyboard(const KeyRecord& record) {
    // Virtual keys are one byte; 0 and 255 are not keys.
    if (record.vk == 0 || record.vk > 0xFE) return {0, EINVAL};
    Key(uint8_t(record.vk), record.flags & kKeyUp);
    return {1, 0};
}

bool VirtualInput::KeybdEvent(uint8_t vk, uint8_t, uint32_t flags) {
    if (vk == 0 || vk == 0xFF) return false;
    Key(vk, flags & kKeyUp);
    return true;
}

bool VirtualInput::PostCharacter(uint32_t ch) {
    // A code point, not half of a surrogate pair.
    if (ch == 0 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return false;
    m_target.Character(ch);
    return true;
}

// A posted key message reaches the window without touching the key state.
bool VirtualInput::PostKeyDown(uint32_t vk) {
    if (vk == 0 || vk > 0xFE) return false;
    Press(uint8_t(vk));
    return true;
}

void VirtualInput::Key(uint8_t vk, bool up) {
    if (up) {
        m_held.reset(vk);
        return;
    }
    m_held.set(vk);
    if (vk == kCapsLock) m_capsLock = !m_capsLock;
    Press(vk);
}

void VirtualInput::Press(uint8_t vk) {
    using namespace keys;
    if (const int button = AppButton(vk)) {
        m_target.AppButton(button);
        return;
    }
    if (IsModifier(vk)) return;
    m_target.KeyDown(vk);
    // Control, Alt and Windows chords are commands, not text.
    if (Held(VK_CONTROL) || Held(VK_LCONTROL) || Held(VK_RCONTROL) || Held(kMenu) ||
        Held(kLeftMenu) || Held(kRightMenu) || Held(VK_LWIN) || Held(VK_RWIN))
        return;
    bool shift = Held(VK_SHIFT) || Held(VK_LSHIFT) || Held(VK_RSHIFT);
    if (m_capsLock && vk >= 'A' && vk <= 'Z') shift = !shift;
    if (const char ch = CharForKey(vk, shift)) m_target.Character(uint8_t(ch));
}

bool VirtualInput::MouseEvent(uint32_t flags, uint32_t x, uint32_t y) {
    if (!(flags & kMouseAbsolute)) return false;  // the agent only makes absolute events
    const int px = Scale(x, m_target.ScreenWidth());
    const int py = Scale(y, m_target.ScreenHeight());
    // In the order the system applies them: the move, then the buttons.
    if (flags & kMouseMove) m_target.Stylus(StylusAction::Move, px, py);
    if (flags & kMouseLeftDown) m_target.Stylus(StylusAction::Down, px, py);
    if (flags & kMouseLeftUp) m_target.Stylus(StylusAction::Up, px, py);
    return true;
}

}  // namespace hd::platform
