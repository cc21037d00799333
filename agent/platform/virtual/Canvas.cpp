#include "agent/platform/virtual/Canvas.h"

#include <algorithm>

namespace hd::platform {

void Canvas::FillRect(int x, int y, int w, int h, uint16_t color) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<long>(long(x) + w, m_width));
    const int y1 = int(std::min<long>(long(y) + h, m_height));
    for (int row = y0; row < y1; ++row) {
        uint8_t* p = Address(x0, row);
        for (int col = x0; col < x1; ++col, p += m_xPitch) std::memcpy(p, &color, sizeof color);
    }
    if (m_written && x1 > x0 && y1 > y0)
        m_written->Add({m_left + x0, m_top + y0, x1 - x0, y1 - y0});
}

Canvas Canvas::Sub(const Rect& r) const {
    const int x0 = std::clamp(r.x, 0, m_width), y0 = std::clamp(r.y, 0, m_height);
    const int x1 = int(std::clamp<long>(long(r.x) + r.w, x0, m_width));
    const int y1 = int(std::clamp<long>(long(r.y) + r.h, y0, m_height));
    if (x1 == x0 || y1 == y0) return Canvas();
    Canvas sub(Address(x0, y0), x1 - x0, y1 - y0, m_xPitch, m_yPitch, m_written);
    sub.m_left = m_left + x0;
    sub.m_top = m_top + y0;
    return sub;
}

}  // namespace hd::platform
