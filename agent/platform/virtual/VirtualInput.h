// VirtualInput (VI): the virtual handheld's input system. Keeps the key state
// (shift, control, Windows key, caps lock), turns key presses into characters
// on the US layout and the application buttons' keys into button presses, and
// scales absolute stylus positions to pixels, then hands the result to the
// handheld. Owned by the key sender, used on the HdInvoke thread only; the
// handheld outlives it. It never draws: the handheld decides what changes.
#pragma once

#include <bitset>

#include "agent/platform/Input.h"
#include "agent/platform/virtual/InputTarget.h"

namespace hd::platform {

class VirtualInput : public Input {
public:
    explicit VirtualInput(InputTarget& target) : m_target(target) {}

    InjectResult SendKeyboard(const KeyRecord& record) override;
    bool PostCharacter(uint32_t character) override;
    bool PostKeyDown(uint32_t vk) override;
    bool KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) override;
    bool MouseEvent(uint32_t flags, uint32_t x, uint32_t y) override;

private:
    void Key(uint8_t vk, bool up);
    void Press(uint8_t vk);
    bool Held(uint8_t vk) const { return m_held.test(vk); }

    InputTarget& m_target;
    std::bitset<256> m_held;  // keys down, by virtual key
    bool m_capsLock = false;
};

}  // namespace hd::platform
