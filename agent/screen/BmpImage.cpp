#include "agent/screen/BmpImage.h"

#include <cstring>

#include "common/ByteOrder.h"

namespace hd {

BmpLayout LayoutFor(int width, int height) {
    BmpLayout l;
    l.width = width;
    l.height = height;
    l.stride = (uint32_t(width) * 2 + 3) & ~3u;
    l.headerLen = kBmpHeaderSize;
    l.totalLen = l.headerLen + l.stride * uint32_t(height);
    return l;
}

void WriteBmpHeaders(uint8_t* p, const BmpLayout& l) {
    std::memset(p, 0, kBmpHeaderSize);
    // BITMAPFILEHEADER
    p[0] = 'B';
    p[1] = 'M';
    put_le32(p + 2, l.totalLen);    // file size
    put_le32(p + 10, l.headerLen);  // offset of the bits (no palette)
    // BITMAPINFOHEADER
    uint8_t* h = p + kBmpFileHeaderSize;
    put_le32(h + 0, kBmpInfoHeaderSize);
    put_le32(h + 4, uint32_t(l.width));
    put_le32(h + 8, uint32_t(l.height));  // positive: bottom-up rows
    put_le16(h + 12, 1);                  // planes
    put_le16(h + 14, 16);                 // bits per pixel, BI_RGB: 5-5-5
    put_le32(h + 16, 0);                  // compression
    put_le32(h + 20, l.stride * uint32_t(l.height));
}

}  // namespace hd
