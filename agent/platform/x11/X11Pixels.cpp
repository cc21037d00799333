#include "agent/platform/x11/X11Pixels.h"

#include <bit>
#include <cstring>
#include <initializer_list>

#include "agent/screen/BmpImage.h"

namespace hd::platform {

namespace {

// One colour channel of a pixel value, scaled to 5 bits.
struct Channel {
    int shift = 0;  // of the mask's lowest bit
    uint32_t mask = 0;
    int down = 0;  // bits dropped from a wider channel
    int up = 0;    // bits added to a narrower one
    explicit Channel(uint32_t m) {
        if (!m) return;
        shift = std::countr_zero(m);
        const int length = std::popcount(m);
        mask = m >> shift;
        down = length > 5 ? length - 5 : 0;
        up = length < 5 ? 5 - length : 0;
    }
    uint32_t Get(uint32_t pixel) const { return ((pixel >> shift) & mask) >> down << up; }
};

uint32_t ReadPixel(const uint8_t* p, int bytes, bool msbFirst) {
    uint32_t v = 0;
    if (msbFirst)
        for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    else
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

bool Contiguous(uint32_t m) {
    return m && std::has_single_bit((m >> std::countr_zero(m)) + 1);
}

// The two layouts X servers use most, converted without the general path.
// The common 24-bit screen: vectorised, with AVX2 where the processor has it
// (not under ThreadSanitizer, whose instrumented ifunc resolver would run
// before its runtime exists).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
void Row8888(const uint8_t* src, int width, uint16_t* out) {
    for (int x = 0; x < width; ++x) {
        uint32_t p;
        std::memcpy(&p, src + 4 * x, 4);
        out[x] = uint16_t(((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F));
    }
}

void Row565(const uint8_t* src, int width, uint16_t* out) {
    for (int x = 0; x < width; ++x) {
        uint16_t p;
        std::memcpy(&p, src + 2 * x, 2);
        out[x] = Rgb565To555(p);
    }
}

}  // namespace

bool Convertible(const PixelLayout& l) {
    if (l.bitsPerPixel != 8 && l.bitsPerPixel != 16 && l.bitsPerPixel != 24 && l.bitsPerPixel != 32)
        return false;
    const uint64_t limit = l.bitsPerPixel == 32 ? 0x100000000ull : 1ull << l.bitsPerPixel;
    for (uint32_t m : {l.redMask, l.greenMask, l.blueMask})
        if (!Contiguous(m) || m >= limit) return false;
    return true;
}

bool Is565(const PixelLayout& l) {
    return l.bitsPerPixel == 16 && !l.msbFirst && l.redMask == 0xF800 && l.greenMask == 0x07E0 &&
           l.blueMask == 0x001F;
}

void ConvertToRgb555(const uint8_t* src, int srcStride, const PixelLayout& l, int width, int height,
                     uint8_t* dst, int dstStride) {
    const bool is8888 = l.bitsPerPixel == 32 && !l.msbFirst && l.redMask == 0xFF0000 &&
                        l.greenMask == 0xFF00 && l.blueMask == 0xFF;
    const bool is565 = Is565(l);
    const Channel r(l.redMask), g(l.greenMask), b(l.blueMask);
    const int bytes = l.bitsPerPixel / 8;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = src + size_t(y) * size_t(srcStride);
        // Rows of the screen image start on even addresses.
        uint16_t* out =
            reinterpret_cast<uint16_t*>(dst + size_t(height - 1 - y) * size_t(dstStride));
        if (is8888) {
            Row8888(in, width, out);
        } else if (is565) {
            Row565(in, width, out);
        } else {
            for (int x = 0; x < width; ++x) {
                const uint32_t p = ReadPixel(in + x * bytes, bytes, l.msbFirst);
                out[x] = uint16_t(r.Get(p) << 10 | g.Get(p) << 5 | b.Get(p));
            }
        }
    }
}

}  // namespace hd::platform
