// InkApp: the virtual handheld's ink pad: stylus drags draw strokes, the
// middle soft key clears the page. Owned by the handheld, called under its
// lock. The strokes are kept for redrawing when the pad comes back to the
// front, up to kMaxPoints; a page that full takes no more ink until cleared.
#pragma once

#include <cstddef>
#include <vector>

#include "agent/platform/virtual/App.h"

namespace hd::platform {

class InkApp : public App {
public:
    static constexpr size_t kMaxPoints = 16384;

    InkApp(uint32_t pid, int width, int height, int scale)
        : App(pid, "ink.exe", "Ink", width, height, scale) {}

    void Draw(Canvas& client) override;
    void Stylus(StylusAction action, int x, int y) override;
    std::string_view MiddleKey() const override { return "CLEAR"; }
    void MiddleKeyPressed() override;

    size_t Points() const { return m_points; }

private:
    struct Point {
        int x, y;
    };
    void Segment(Canvas& client, Point a, Point b) const;

    std::vector<std::vector<Point>> m_strokes;
    size_t m_points = 0;
    bool m_drawing = false;  // the stylus is down on the pad
};

}  // namespace hd::platform
