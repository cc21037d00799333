// Canvas: a 5-6-5 pixel surface addressed through signed byte pitches, so one
// drawing routine serves portrait, landscape and padded display memory alike.
// Used on whichever thread holds the owner's drawing lock; it owns no memory
// (the display memory outlives it) and never writes outside width x height.
// A canvas given a bounding box adds every area it writes to it, in the
// coordinates of the surface it was cut from, so the display knows what changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "agent/platform/Display.h"
#include "agent/platform/Rect.h"

namespace hd::platform {

constexpr uint16_t Rgb565(unsigned r, unsigned g, unsigned b) {
    return uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

class Canvas {
public:
    Canvas() = default;
    Canvas(uint8_t* pixel00, int width, int height, int32_t xPitchBytes, int32_t yPitchBytes,
           BoundingBox* written = nullptr)
        : m_origin(pixel00),
          m_width(width),
          m_height(height),
          m_xPitch(xPitchBytes),
          m_yPitch(yPitchBytes),
          m_written(written) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // The pixel's address: pixel (0, 0) + x * x pitch + y * y pitch.
    uint8_t* Address(int x, int y) const {
        return m_origin + ptrdiff_t(x) * m_xPitch + ptrdiff_t(y) * m_yPitch;
    }
    // x and y must lie on the surface.
    uint16_t Get(int x, int y) const {
        uint16_t v;
        std::memcpy(&v, Address(x, y), sizeof v);
        return v;
    }
    void SetPixel(int x, int y, uint16_t color) {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
        std::memcpy(Address(x, y), &color, sizeof color);
        if (m_written) m_written->Add({m_left + x, m_top + y, 1, 1});
    }
    // Clipped to the surface.
    void FillRect(int x, int y, int w, int h, uint16_t color);
    void FillRect(const Rect& r, uint16_t color) { FillRect(r.x, r.y, r.w, r.h, color); }
    // The part of the surface inside r, addressed from r's corner and clipped
    // to both: drawing on it never reaches outside r.
    Canvas Sub(const Rect& r) const;

private:
    uint8_t* m_origin = nullptr;
    int m_width = 0;
    int m_height = 0;
    int32_t m_xPitch = 0;
    int32_t m_yPitch = 0;
    BoundingBox* m_written = nullptr;
    int m_left = 0, m_top = 0;  // of this surface on the one it was cut from
};

}  // namespace hd::platform
