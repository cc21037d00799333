// What the virtual handheld's input backend (VI) delivers to the handheld: key
// presses already turned into characters and application buttons, and stylus
// events in screen pixels. Implemented by the handheld; called on the HdInvoke
// thread. The implementation must be thread-safe against its screen thread.
#pragma once

#include <cstdint>

namespace hd::platform {

enum class StylusAction { Down, Move, Up };

class InputTarget {
public:
    virtual ~InputTarget() = default;

    // The screen size in pixels, for scaling absolute positions.
    virtual int ScreenWidth() const = 0;
    virtual int ScreenHeight() const = 0;

    // A key went down (virtual key); its character, if any, follows as Character.
    virtual void KeyDown(uint32_t vk) = 0;
    // A typed character (a Unicode code point).
    virtual void Character(uint32_t ch) = 0;
    // Hardware application button 1 to 5 was pressed.
    virtual void AppButton(int button) = 0;
    // The stylus touched, moved or left the screen at (x, y) in pixels.
    virtual void Stylus(StylusAction action, int x, int y) = 0;
};

}  // namespace hd::platform
