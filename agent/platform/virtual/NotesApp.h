// NotesApp: the virtual handheld's notes: a page of text that typed
// characters and the editing keys (Enter, Backspace, Delete, arrows, Home,
// End) change, drawn with a caret and wrapped to the screen; a tap places the
// caret. Owned by the handheld, called under its lock. The text is bounded (kMaxText): typing
// past it is ignored, never grows memory without end.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "agent/platform/virtual/App.h"

namespace hd::platform {

class NotesApp : public App {
public:
    static constexpr size_t kMaxText = 8192;

    NotesApp(uint32_t pid, int width, int height, int scale)
        : App(pid, "notes.exe", "Notes", width, height, scale) {}

    void Draw(Canvas& client) override;
    void KeyDown(uint32_t vk) override;
    void Character(uint32_t ch) override;
    void Stylus(StylusAction action, int x, int y) override;

    const std::string& Text() const { return m_text; }
    size_t Caret() const { return m_caret; }

private:
    struct Line {
        size_t start, end;  // [start, end) of the text, without the line break
    };
    // The text broken into screen lines of at most cols characters.
    std::vector<Line> Lines(int cols) const;
    size_t LineOf(const std::vector<Line>& lines, size_t pos) const;
    int Columns() const;
    int Rows() const;
    int LineHeight() const;
    void Insert(char ch);
    // Keeps the caret's line on the screen.
    void Scroll();

    std::string m_text;
    size_t m_caret = 0;
    size_t m_top = 0;  // first screen line shown
};

}  // namespace hd::platform
