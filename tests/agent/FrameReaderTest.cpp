#include <gtest/gtest.h>

#include "agent/platform/virtual/VirtualDisplay.h"
#include "agent/screen/FrameReader.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using platform::VirtualDisplay;
using platform::VirtualDisplayOptions;

struct Layout {
    const char* name;
    std::string oem;
    uint32_t format;
    bool nvd;
    bool special;
};

class FrameReaderLayouts : public ::testing::TestWithParam<Layout> {};

TEST_P(FrameReaderLayouts, ReadsTheScreenAsTheScreenCopyDoes) {
    const Layout& p = GetParam();
    test::LogCapture logs;
    VirtualDisplayOptions o;
    o.oemInfo = p.oem;
    o.gxFormat = p.format;
    o.answersEscape = p.nvd;
    o.clock = [] { return std::chrono::system_clock::time_point(std::chrono::seconds(5)); };
    VirtualDisplay display(o);
    display.BeforeCapture();
    const int w = display.Width(), h = display.Height();
    const uint32_t stride = (uint32_t(w) * 2 + 3) & ~3u;

    FrameReader bf(display);
    ASSERT_TRUE(bf.Open());
    EXPECT_EQ(bf.Special(), p.special);
    EXPECT_TRUE(bf.Open());  // the first result stands

    std::vector<uint8_t> area(stride * h, 0), copy(stride * h, 0);
    int first, last;
    ASSERT_TRUE(bf.VMem2DIB(area.data(), w, h, stride, first, last));
    ASSERT_TRUE(display.CaptureRgb555(copy.data(), w, h, int(stride)));
    EXPECT_EQ(area, copy);
    EXPECT_GE(first, 0);

    ASSERT_TRUE(bf.VMem2DIB(area.data(), w, h, stride, first, last));
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, -1);

    // Two pixels change: the range runs from the lower to the higher index.
    display.Draw([](platform::Canvas& c) {
        c.SetPixel(3, 4, uint16_t(~c.Get(3, 4)));
        c.SetPixel(7, 2, uint16_t(~c.Get(7, 2)));
    });
    ASSERT_TRUE(bf.VMem2DIB(area.data(), w, h, stride, first, last));
    const int rowPixels = int(stride / 2);
    EXPECT_EQ(first, (h - 1 - 4) * rowPixels + 3);
    EXPECT_EQ(last, (h - 1 - 2) * rowPixels + 7);
    ASSERT_TRUE(display.CaptureRgb555(copy.data(), w, h, int(stride)));
    EXPECT_EQ(area, copy);

    // Two changes in one row, at and around the edges of the scan's blocks:
    // the range is exactly from the one to the other.
    for (const auto& [a, b] :
         {std::pair{15, 16}, {0, 31}, {16, w - 17}, {3, w - 16}, {w - 16, w - 1}, {5, 5}}) {
        display.Draw([&](platform::Canvas& c) {
            c.SetPixel(a, 9, uint16_t(~c.Get(a, 9)));
            if (b != a) c.SetPixel(b, 9, uint16_t(~c.Get(b, 9)));
        });
        ASSERT_TRUE(bf.VMem2DIB(area.data(), w, h, stride, first, last));
        EXPECT_EQ(first, (h - 1 - 9) * rowPixels + a) << a << "," << b;
        EXPECT_EQ(last, (h - 1 - 9) * rowPixels + b) << a << "," << b;
    }
    ASSERT_TRUE(display.CaptureRgb555(copy.data(), w, h, int(stride)));
    EXPECT_EQ(area, copy);

    // Keeping the pointer between reads changes nothing in what is read.
    bf.SetKeepPointer(true);
    display.Draw([](platform::Canvas& c) { c.SetPixel(0, 0, uint16_t(~c.Get(0, 0))); });
    ASSERT_TRUE(bf.VMem2DIB(area.data(), w, h, stride, first, last));
    EXPECT_EQ(first, (h - 1) * rowPixels);
    EXPECT_EQ(first, last);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FrameReaderLayouts,
                         ::testing::Values(Layout{"portrait", "virtual", 0x80, false, false},
                                           Layout{"landscape", "virtual", 0x88, false, false},
                                           Layout{"nvd", "virtual", 0x00, true,
                                                  false},  // 16 bits add 0x80
                                           Layout{"h3800", "Compaq iPAQ H3800", 0xA8, false, true},
                                           Layout{"jornada", "HP Jornada 720", 0xA0, false, true},
                                           Layout{"j670", "CASIO J670", 0xA0, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameReaderRefuses, DisplaysThatAreNot565) {
    test::LogCapture logs;
    VirtualDisplayOptions o;
    o.gxFormat = 0x00;  // a 5-5-5 or 8-bit display
    VirtualDisplay display(o);
    FrameReader bf(display);
    EXPECT_FALSE(bf.Open());
    EXPECT_FALSE(bf.Open());
    std::vector<uint8_t> area(240 * 320 * 2);
    int first, last;
    EXPECT_FALSE(bf.VMem2DIB(area.data(), 240, 320, 480, first, last));
}

}  // namespace
}  // namespace hd
