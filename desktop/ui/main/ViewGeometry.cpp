#include "desktop/ui/main/ViewGeometry.h"

#include <algorithm>
#include <cstring>

namespace hd::desktop {

namespace {

constexpr int64_t kRange = 65536;  // the handheld's absolute input range

int Clamp(int64_t v, int lo, int hi) {
    return int(std::clamp<int64_t>(v, lo, hi));
}

// The screen pixel under view pixel v along one axis: floor((v + 0.5) / zoom).
int64_t Unzoom(int v, int zoom) {
    return (int64_t(2 * int64_t(v) + 1) * 100) / (2 * int64_t(zoom));
}

// The centre of screen pixel p in the absolute range; the handheld's
// p * size / 65536 then gives p back.
uint16_t CentreOf(int p, int size) {
    return uint16_t(((2 * int64_t(p) + 1) * kRange) / (2 * int64_t(size)));
}

}  // namespace

Rotation RotationFromStored(int orientation) {
    return orientation == 0 ? Rotation::Portrait : Rotation::LandscapeCCW;
}

int StoredOrientation(Rotation rotation) {
    return rotation == Rotation::Portrait ? 0 : 1;
}

Extent ViewGeometry::ViewSize() const {
    const int w = int(int64_t(device.width) * zoom / 100);
    const int h = int(int64_t(device.height) * zoom / 100);
    if (rotation == Rotation::Portrait) return {w, h};
    return {h, w};
}

ViewGeometry::Absolute ViewGeometry::ToAbsolute(int x, int y) const {
    const int w = std::max(device.width, 1), h = std::max(device.height, 1);
    const int z = std::max(zoom, 1);
    // The picture's column and row, in screen pixels.
    const int64_t col = Unzoom(std::max(x, 0), z);
    const int64_t row = Unzoom(std::max(y, 0), z);
    int64_t px = col, py = row;
    if (rotation == Rotation::LandscapeCW) {  // screen (x, y) shows at (h-1-y, x)
        px = row;
        py = h - 1 - col;
    } else if (rotation == Rotation::LandscapeCCW) {  // screen (x, y) shows at (y, w-1-x)
        px = w - 1 - row;
        py = col;
    }
    return {CentreOf(Clamp(px, 0, w - 1), w), CentreOf(Clamp(py, 0, h - 1), h)};
}

Area ViewGeometry::ToView(const Area& s) const {
    if (s.Empty()) return {};
    int cx = s.x, cy = s.y, cw = s.width, ch = s.height;
    if (rotation == Rotation::LandscapeCW) {
        cx = device.height - s.y - s.height;
        cy = s.x;
        cw = s.height;
        ch = s.width;
    } else if (rotation == Rotation::LandscapeCCW) {
        cx = s.y;
        cy = device.width - s.x - s.width;
        cw = s.height;
        ch = s.width;
    }
    const Extent view = ViewSize();
    const int x0 = Clamp(int64_t(cx) * zoom / 100 - 1, 0, view.width);
    const int y0 = Clamp(int64_t(cy) * zoom / 100 - 1, 0, view.height);
    const int x1 = Clamp((int64_t(cx + cw) * zoom + 99) / 100 + 1, 0, view.width);
    const int y1 = Clamp((int64_t(cy + ch) * zoom + 99) / 100 + 1, 0, view.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

Area ChangedArea(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after, int width,
                 int height) {
    const size_t n = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    if (n == 0) return {};
    if (before.size() != n || after.size() != n) return {0, 0, width, height};
    int top = -1, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const uint32_t* a = before.data() + size_t(y) * size_t(width);
        const uint32_t* b = after.data() + size_t(y) * size_t(width);
        if (std::memcmp(a, b, size_t(width) * sizeof(uint32_t)) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        int l = 0, r = width - 1;
        while (a[l] == b[l]) ++l;
        while (a[r] == b[r]) --r;
        left = std::min(left, l);
        right = std::max(right, r);
    }
    if (top < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace hd::desktop
