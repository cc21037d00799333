// CalcApp: the virtual handheld's calculator: a display and a 4x4 keypad
// worked by stylus taps or typed digits and operators (Enter is "=",
// Backspace removes a digit, Escape or Delete clears). Owned by the handheld,
// called under its lock. Division by zero or an overflow shows "ERROR" until
// cleared; nothing it is given can make it fail otherwise.
#pragma once

#include <string>

#include "agent/platform/virtual/App.h"

namespace hd::platform {

class CalcApp : public App {
public:
    CalcApp(uint32_t pid, int width, int height, int scale)
        : App(pid, "calc.exe", "Calculator", width, height, scale) {}

    void Draw(Canvas& client) override;
    void KeyDown(uint32_t vk) override;
    void Character(uint32_t ch) override;
    void Stylus(StylusAction action, int x, int y) override;

    // What the display shows.
    const std::string& Display() const { return m_entry; }

private:
    // One keypad label or typed key: a digit, '.', an operator, '=', 'C', '\b'.
    void Press(char key);
    void Apply();
    Rect Button(int index) const;
    int ButtonAt(int x, int y) const;

    std::string m_entry = "0";
    double m_value = 0;   // the left operand
    char m_op = 0;        // the pending operator
    bool m_fresh = true;  // the next digit starts a new number
    bool m_error = false;
    int m_pressed = -1;  // the keypad button under the stylus
};

}  // namespace hd::platform
