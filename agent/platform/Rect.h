// Rect and BoundingBox: screen areas in pixels, top-down, as the display
// backends report what they drew. Plain values, any thread.
#pragma once

#include <algorithm>
#include <utility>

namespace hd::platform {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
    bool Empty() const { return w <= 0 || h <= 0; }
};

// The part of r inside a width x height screen (empty when none is).
inline Rect ClipTo(const Rect& r, int width, int height) {
    const long x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const long x1 = std::min<long>(long(r.x) + r.w, width);
    const long y1 = std::min<long>(long(r.y) + r.h, height);
    if (x1 <= x0 || y1 <= y0) return {};
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

// The smallest rectangle holding every one added since the last Take.
class BoundingBox {
public:
    void Add(const Rect& r) {
        if (r.Empty()) return;
        if (m_box.Empty()) {
            m_box = r;
            return;
        }
        const int x1 = std::max(m_box.x + m_box.w, r.x + r.w);
        const int y1 = std::max(m_box.y + m_box.h, r.y + r.h);
        m_box.x = std::min(m_box.x, r.x);
        m_box.y = std::min(m_box.y, r.y);
        m_box.w = x1 - m_box.x;
        m_box.h = y1 - m_box.y;
    }
    Rect Take() { return std::exchange(m_box, Rect{}); }

private:
    Rect m_box;
};

}  // namespace hd::platform
