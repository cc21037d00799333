// Reads the screen image the receiver holds (a BMP file of 16-bit 5-5-5
// bottom-up rows) into top-down 32-bit RGB pixels, for drawing and saving.
// Plain functions; checks the headers against the buffer before reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hd::desktop {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xFFRRGGBB, top row first
};

// False when the bytes are not a complete 16-bit bottom-up BMP image.
bool DecodeScreenImage(const uint8_t* bmp, size_t length, RgbImage& out);

// The 5-5-5 pixel at (x, y), counted from the top left; false when the bytes
// are not such an image or the point lies outside it.
bool ReadScreenPixel(const uint8_t* bmp, size_t length, int x, int y, uint16_t& out);

// 5-5-5 to 8-8-8, the low bits filled from the high ones.
inline uint32_t Rgb555ToArgb(uint16_t v) {
    uint32_t r = (v >> 10) & 0x1F, g = (v >> 5) & 0x1F, b = v & 0x1F;
    r = (r << 3) | (r >> 2);
    g = (g << 3) | (g >> 2);
    b = (b << 3) | (b >> 2);
    return 0xFF000000u | r << 16 | g << 8 | b;
}

}  // namespace hd::desktop
