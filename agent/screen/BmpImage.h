// The screen image as both ends hold it: a BMP file in memory (14-byte file
// header, 40-byte info header, no palette, bottom-up 16-bit 5-5-5 rows padded
// to 4 bytes). Updates address it by byte offset, headers included.
#pragma once

#include <cstdint>

#include "agent/platform/Display.h"

namespace hd {

constexpr uint32_t kBmpFileHeaderSize = 14;
constexpr uint32_t kBmpInfoHeaderSize = 40;
constexpr uint32_t kBmpHeaderSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;
static_assert(kBmpHeaderSize == 54);

struct BmpLayout {
    int width = 0;
    int height = 0;
    uint32_t stride = 0;     // bytes per row
    uint32_t headerLen = 0;  // offset of the pixel bits
    uint32_t totalLen = 0;   // whole file
};

BmpLayout LayoutFor(int width, int height);
// Writes both headers for the layout at dst (kBmpHeaderSize bytes).
void WriteBmpHeaders(uint8_t* dst, const BmpLayout& layout);

using platform::Rgb565To555;

}  // namespace hd
