// LinuxInput (LI): input on a real Linux device through two uinput devices, a
// keyboard and an absolute pointer (ABS_X/ABS_Y over 0..65535 with left,
// right and touch buttons). Virtual keys become Linux keys through the one key
// table; characters without a key are typed on the US layout, or else through
// the Ctrl+Shift+U hexadecimal entry of the desktop's input method. Made at
// agent load, used on the HdInvoke thread; owns its devices. It never leaves
// a key or button down that it pressed for a single message.
#pragma once

#include <memory>

#include "agent/platform/Input.h"
#include "agent/platform/linux/UinputDevice.h"

namespace hd::platform {

class LinuxInput : public Input {
public:
    // Makes both devices; null, after one forced line saying that input is
    // unavailable, when uinput cannot be opened.
    static std::unique_ptr<LinuxInput> Open();
    LinuxInput(std::unique_ptr<UinputDevice> keyboard, std::unique_ptr<UinputDevice> pointer);

    // What each device is made with.
    static UinputSetup KeyboardSetup();
    static UinputSetup PointerSetup();

    InjectResult SendKeyboard(const KeyRecord& record) override;
    bool PostCharacter(uint32_t character) override;
    bool PostKeyDown(uint32_t vk) override;
    bool KeybdEvent(uint8_t vk, uint8_t scan, uint32_t flags) override;
    bool MouseEvent(uint32_t flags, uint32_t x, uint32_t y) override;

private:
    bool Emit(UinputDevice& device, uint16_t type, uint16_t code, int32_t value);
    // One key change and its report.
    bool Key(uint16_t code, bool down);
    bool Tap(uint16_t code) { return Key(code, true) && Key(code, false); }
    bool TypeHex(uint32_t ch);

    std::unique_ptr<UinputDevice> m_keyboard;
    std::unique_ptr<UinputDevice> m_pointer;
    bool m_failing = false;  // a write failed and was logged; quiet until one succeeds
};

}  // namespace hd::platform
