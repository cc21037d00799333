// The conversion of X image pixels into the screen image's 5-5-5 rows.
#include "agent/platform/x11/X11Pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace hd::platform {
namespace {

uint16_t At(const std::vector<uint8_t>& img, int stride, int x, int row) {
    uint16_t v;
    std::memcpy(&v, img.data() + size_t(row) * stride + 2 * x, 2);
    return v;
}

// Pure red, green, blue and a mixed colour, in every layout the servers use,
// land on the same 5-5-5 values, with the top row last (bottom-up).
TEST(X11Pixels, EveryLayoutGivesTheSame555Pixels) {
    // r, g, b of four pixels on the top row; the bottom row is white.
    const uint8_t rgb[4][3] = {{0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}, {0x84, 0x42, 0x21}};
    const uint16_t want[4] = {0x7C00, 0x03E0, 0x001F, uint16_t(0x10 << 10 | 0x08 << 5 | 0x04)};
    struct Case {
        PixelLayout layout;
        int shiftR, shiftG, shiftB, bitsR, bitsG, bitsB;
    };
    const Case cases[] = {
        {{32, 0xFF0000, 0xFF00, 0xFF, false}, 16, 8, 0, 8, 8, 8},          // the usual 24-bit
        {{32, 0xFF, 0xFF00, 0xFF0000, true}, 0, 8, 16, 8, 8, 8},           // BGR, big-endian
        {{24, 0xFF0000, 0xFF00, 0xFF, false}, 16, 8, 0, 8, 8, 8},          // packed 3 bytes
        {{16, 0xF800, 0x07E0, 0x1F, false}, 11, 5, 0, 5, 6, 5},            // 5-6-5
        {{16, 0x7C00, 0x03E0, 0x1F, true}, 10, 5, 0, 5, 5, 5},             // 5-5-5 big-endian
        {{32, 0x3FF00000, 0xFFC00, 0x3FF, false}, 20, 10, 0, 10, 10, 10},  // 10-bit
    };
    for (const Case& c : cases) {
        const PixelLayout& l = c.layout;
        ASSERT_TRUE(Convertible(l));
        const int bytes = l.bitsPerPixel / 8;
        const int srcStride = 4 * bytes + 3;  // not a multiple of anything
        std::vector<uint8_t> src(size_t(srcStride) * 2, 0);
        auto put = [&](int x, int y, const uint8_t* p) {
            uint32_t v;
            if (c.bitsR > 8) {  // 10 bits a channel: widen, never shift by a negative count
                v = (uint32_t(p[0]) << 2 | p[0] >> 6) << c.shiftR |
                    (uint32_t(p[1]) << 2 | p[1] >> 6) << c.shiftG |
                    (uint32_t(p[2]) << 2 | p[2] >> 6) << c.shiftB;
            } else {
                v = uint32_t(p[0]) >> (8 - c.bitsR) << c.shiftR;
                v |= uint32_t(p[1]) >> (8 - c.bitsG) << c.shiftG;
                v |= uint32_t(p[2]) >> (8 - c.bitsB) << c.shiftB;
            }
            uint8_t* out = src.data() + size_t(y) * srcStride + size_t(x) * bytes;
            for (int i = 0; i < bytes; ++i)
                out[l.msbFirst ? bytes - 1 - i : i] = uint8_t(v >> (8 * i));
        };
        const uint8_t white[3] = {0xFF, 0xFF, 0xFF};
        for (int x = 0; x < 4; ++x) {
            put(x, 0, rgb[x]);
            put(x, 1, white);
        }
        std::vector<uint8_t> dst(2 * 8, 0xAA);
        ConvertToRgb555(src.data(), srcStride, l, 4, 2, dst.data(), 8);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(At(dst, 8, x, 1), want[x]) << l.bitsPerPixel << " bits, pixel " << x;
            EXPECT_EQ(At(dst, 8, x, 0), 0x7FFF) << l.bitsPerPixel << " bits, pixel " << x;
        }
    }
    EXPECT_TRUE(Is565({16, 0xF800, 0x07E0, 0x1F, false}));
    EXPECT_FALSE(Is565({16, 0xF800, 0x07E0, 0x1F, true}));
    EXPECT_FALSE(Is565({16, 0x7C00, 0x03E0, 0x1F, false}));
}

TEST(X11Pixels, LayoutsItCannotReadAreRefused) {
    EXPECT_FALSE(Convertible({12, 0xF00, 0xF0, 0xF, false}));        // odd depth
    EXPECT_FALSE(Convertible({16, 0xF801, 0x07E0, 0x1F, false}));    // broken mask
    EXPECT_FALSE(Convertible({16, 0x1F0000, 0x07E0, 0x1F, false}));  // mask past the pixel
    EXPECT_FALSE(Convertible({8, 0, 0, 0, false}));                  // a palette
}

}  // namespace
}  // namespace hd::platform
