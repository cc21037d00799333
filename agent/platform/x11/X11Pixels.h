// X11Pixels: the layout of an X image's pixels and their conversion into the
// 5-5-5 bottom-up rows of the screen image. Pure functions over plain memory,
// any thread; they never read past the rows they are given.
#pragma once

#include <cstdint>

namespace hd::platform {

struct PixelLayout {
    int bitsPerPixel = 0;  // 8, 16, 24 or 32
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    bool msbFirst = false;  // the image's byte order
};

// True for layouts the conversion understands (packed true colour).
bool Convertible(const PixelLayout& layout);
// 16-bit 5-6-5 in the host's (little-endian) byte order: the frame-buffer
// reader's format.
bool Is565(const PixelLayout& layout);

// Converts width x height pixels of top-down rows (srcStride bytes apart)
// into bottom-up 5-5-5 rows (dstStride bytes apart).
void ConvertToRgb555(const uint8_t* src, int srcStride, const PixelLayout& layout, int width,
                     int height, uint8_t* dst, int dstStride);

}  // namespace hd::platform
