#include "desktop/session/ScreenImage.h"

#include "common/ByteOrder.h"

namespace hd::desktop {

bool DecodeScreenImage(const uint8_t* bmp, size_t length, RgbImage& out) {
    // "BM", file size, reserved, offset of the bits; then the info header.
    if (!bmp || length < 54 || bmp[0] != 'B' || bmp[1] != 'M') return false;
    const uint32_t offset = get_le32(bmp + 10);
    const int32_t width = int32_t(get_le32(bmp + 18));
    const int32_t height = int32_t(get_le32(bmp + 22));
    const uint16_t bits = get_le16(bmp + 28);
    if (bits != 16 || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    const size_t stride = (size_t(width) * 2 + 3) & ~size_t(3);
    if (offset > length || stride * size_t(height) > length - offset) return false;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bmp + offset + size_t(height - 1 - y) * stride;
        uint32_t* dst = out.pixels.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) dst[x] = Rgb555ToArgb(get_le16(row + 2 * x));
    }
    return true;
}

}  // namespace hd::desktop
