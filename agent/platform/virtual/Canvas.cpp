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
}

}  // namespace hd::platform
