// App: one application of the virtual handheld: its process names, its
// picture in the client area (between the title and soft-key bars) and its
// answers to keys and the stylus. Owned by the handheld and called only under
// its lock. Input only changes the application's state; the picture is drawn
// by Draw, on the screen thread, onto a canvas of the client area alone, so
// an application can never draw over the bars.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "agent/platform/virtual/Canvas.h"
#include "agent/platform/virtual/InputTarget.h"

namespace hd::platform {

class App {
public:
    // width x height: the client area; scale: text and line size.
    App(uint32_t pid, std::string exe, std::string title, int width, int height, int scale)
        : m_pid(pid),
          m_exe(std::move(exe)),
          m_title(std::move(title)),
          m_width(width),
          m_height(height),
          m_scale(scale) {}
    virtual ~App() = default;

    uint32_t Pid() const { return m_pid; }
    const std::string& Exe() const { return m_exe; }
    const std::string& Title() const { return m_title; }

    // The whole client area, from (0, 0).
    virtual void Draw(Canvas& client) = 0;
    // Input while in front.
    virtual void KeyDown(uint32_t) {}
    virtual void Character(uint32_t) {}
    // Positions are inside the client area (a drag that leaves it is held
    // at its edge).
    virtual void Stylus(StylusAction, int, int) {}
    // The label of the soft key in the middle of the bar ("" for none).
    virtual std::string_view MiddleKey() const { return {}; }
    virtual void MiddleKeyPressed() {}

protected:
    const uint32_t m_pid;
    const std::string m_exe;
    const std::string m_title;
    const int m_width;
    const int m_height;
    const int m_scale;
};

}  // namespace hd::platform
