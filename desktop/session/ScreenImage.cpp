#include "desktop/session/ScreenImage.h"

#include "common/ByteOrder.h"

namespace hd::desktop {

namespace {

struct Layout {
    int width = 0, height = 0;
    size_t stride = 0;
    const uint8_t* bits = nullptr;
    // Top-down row y.
    const uint8_t* Row(int y) const { return bits + size_t(height - 1 - y) * stride; }
};

bool ReadLayout(const uint8_t* bmp, size_t length, Layout& l) {
    // "BM", file size, reserved, offset of the bits; then the info header.
    if (!bmp || length < 54 || bmp[0] != 'B' || bmp[1] != 'M') return false;
    const uint32_t offset = get_le32(bmp + 10);
    const int32_t width = int32_t(get_le32(bmp + 18));
    const int32_t height = int32_t(get_le32(bmp + 22));
    const uint16_t bits = get_le16(bmp + 28);
    if (bits != 16 || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    l.stride = (size_t(width) * 2 + 3) & ~size_t(3);
    if (offset > length || l.stride * size_t(height) > length - offset) return false;
    l.width = width;
    l.height = height;
    l.bits = bmp + offset;
    return true;
}

}  // namespace

bool DecodeScreenImage(const uint8_t* bmp, size_t length, RgbImage& out) {
    Layout l;
    if (!ReadLayout(bmp, length, l)) return false;
    out.width = l.width;
    out.height = l.height;
    out.pixels.resize(size_t(l.width) * size_t(l.height));
    for (int y = 0; y < l.height; ++y) {
        const uint8_t* row = l.Row(y);
        uint32_t* dst = out.pixels.data() + size_t(y) * size_t(l.width);
        for (int x = 0; x < l.width; ++x) dst[x] = Rgb555ToArgb(get_le16(row + 2 * x));
    }
    return true;
}

bool ReadScreenPixel(const uint8_t* bmp, size_t length, int x, int y, uint16_t& out) {
    Layout l;
    if (!ReadLayout(bmp, length, l) || x < 0 || y < 0 || x >= l.width || y >= l.height)
        return false;
    out = get_le16(l.Row(y) + 2 * size_t(x));
    return true;
}

}  // namespace hd::desktop
