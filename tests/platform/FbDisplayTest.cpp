#include "agent/platform/linux/FbDisplay.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/Log.h"

namespace hd::platform {
namespace {

// A memory file standing in for the frame buffer, with canned information
// the test may change between captures.
class MemfdSource : public FbSource {
public:
    fb_var_screeninfo var{};
    fb_fix_screeninfo fix{};
    int varError = 0;

    MemfdSource(const fb_var_screeninfo& v, const fb_fix_screeninfo& f) : var(v), fix(f) {
        m_fd = memfd_create("fb", MFD_CLOEXEC);
        EXPECT_GE(m_fd, 0);
        EXPECT_EQ(ftruncate(m_fd, fix.smem_len), 0);
    }
    ~MemfdSource() override { close(m_fd); }
    void Write(size_t offset, const void* data, size_t n) {
        ASSERT_EQ(pwrite(m_fd, data, n, off_t(offset)), ssize_t(n));
    }
    const std::string& Path() const override { return m_path; }
    int Fd() const override { return m_fd; }
    int GetVar(fb_var_screeninfo& v) override {
        v = var;
        return varError;
    }
    int GetFix(fb_fix_screeninfo& f) override {
        f = fix;
        return 0;
    }

private:
    std::string m_path = "memfd:fb";
    int m_fd = -1;
};

struct Bits {
    uint32_t bpp;
    fb_bitfield r, g, b;
};
constexpr Bits k565{16, {11, 5, 0}, {5, 6, 0}, {0, 5, 0}};
constexpr Bits k555{16, {10, 5, 0}, {5, 5, 0}, {0, 5, 0}};
constexpr Bits k888{24, {16, 8, 0}, {8, 8, 0}, {0, 8, 0}};
constexpr Bits kXrgb{32, {16, 8, 0}, {8, 8, 0}, {0, 8, 0}};

// A 100x50 screen at (8, 55) of a 120x110 virtual screen, rows padded by 16 bytes.
std::unique_ptr<MemfdSource> MakeSource(const Bits& bits, uint32_t xres = 100, uint32_t yres = 50) {
    fb_var_screeninfo v{};
    v.xres = xres;
    v.yres = yres;
    v.xres_virtual = 120;
    v.yres_virtual = 110;
    v.xoffset = 8;
    v.yoffset = 55;
    v.bits_per_pixel = bits.bpp;
    v.red = bits.r;
    v.green = bits.g;
    v.blue = bits.b;
    fb_fix_screeninfo f{};
    std::strcpy(f.id, "testfb");
    f.type = FB_TYPE_PACKED_PIXELS;
    f.visual = FB_VISUAL_TRUECOLOR;
    f.line_length = 120 * bits.bpp / 8 + 16;
    f.smem_len = f.line_length * 110;
    return std::make_unique<MemfdSource>(v, f);
}

uint16_t Read16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Captures w x h and checks each pixel against expect(x, y), rows mirrored.
void ExpectCapture(FbDisplay& d, int w, int h, const std::function<uint16_t(int, int)>& expect) {
    const int stride = 2 * w + 2;
    std::vector<uint8_t> out(size_t(stride) * h);
    ASSERT_TRUE(d.CaptureRgb555(out.data(), w, h, stride));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(Read16(&out[size_t(h - 1 - y) * stride + 2 * x]), expect(x, y))
                << x << "," << y;
}

uint16_t Pattern(int vx, int vy) {
    return uint16_t(vx * 131 + vy * 977 + 7);
}

TEST(FbDisplay, Rgb565WithPaddedRowsAndOffsets) {
    auto src = MakeSource(k565);
    const uint32_t line = src->fix.line_length;
    for (int vy = 0; vy < 110; ++vy)
        for (int vx = 0; vx < 120; ++vx) {
            const uint16_t p = Pattern(vx, vy);
            src->Write(vy * line + vx * 2, &p, 2);
        }
    auto d = FbDisplay::Open(std::move(src));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Width(), 100);
    EXPECT_EQ(d->Height(), 50);
    EXPECT_EQ(d->OemInfo(), "Linux framebuffer testfb");
    EXPECT_EQ(d->LoadGx("NVDGAPI.DLL"), nullptr);

    std::unique_ptr<GxLibrary> gx = d->LoadGx("gx.dll");
    ASSERT_NE(gx, nullptr);
    ASSERT_TRUE(gx->OpenDisplay());
    const GxProperties p = gx->GetDisplayProperties();
    EXPECT_EQ(p.width, 100u);
    EXPECT_EQ(p.height, 50u);
    EXPECT_EQ(p.xPitchBytes, 2);
    EXPECT_EQ(p.yPitchBytes, int32_t(line));
    EXPECT_NE(p.format & kFormat565, 0u);
    const uint8_t* base = gx->BeginDraw();
    ASSERT_NE(base, nullptr);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(Read16(base + x * p.xPitchBytes + y * p.yPitchBytes), Pattern(x + 8, y + 55))
                << x << "," << y;

    ExpectCapture(*d, 100, 50, [](int x, int y) {
        const uint16_t v = Pattern(x + 8, y + 55);
        return uint16_t((v & 0x1F) | (v >> 6) << 5);
    });
    // A target wider and taller than the screen is black beyond it.
    ExpectCapture(*d, 103, 52, [](int x, int y) {
        if (x >= 100 || y >= 50) return uint16_t(0);
        const uint16_t v = Pattern(x + 8, y + 55);
        return uint16_t((v & 0x1F) | (v >> 6) << 5);
    });
}

TEST(FbDisplay, OtherDepthsAreConvertedAndRefusedToTheReader) {
    struct Color {
        uint8_t r, g, b;
        uint16_t rgb555;
    };
    const Color colors[] = {
        {255, 0, 0, 0x7C00},         // red: 31 << 10
        {0, 255, 0, 0x03E0},         // green: 31 << 5
        {0, 0, 255, 0x001F},         // blue: 31
        {0x80, 0x40, 0x08, 0x4101},  // 16 << 10 | 8 << 5 | 1
    };
    const struct {
        const char* name;
        Bits bits;
    } cases[] = {{"xrgb8888", kXrgb}, {"rgb888", k888}, {"rgb555", k555}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto src = MakeSource(c.bits);
        const uint32_t bpp = c.bits.bpp / 8, line = src->fix.line_length;
        for (int vy = 0; vy < 110; ++vy)
            for (int vx = 0; vx < 120; ++vx) {
                const Color& k = colors[(vx + vy) % 4];
                uint32_t px;
                if (c.bits.bpp == 16)
                    px = uint32_t(k.r >> 3) << 10 | uint32_t(k.g >> 3) << 5 | uint32_t(k.b >> 3);
                else
                    px =
                        0xAB000000u | uint32_t(k.r) << 16 | uint32_t(k.g) << 8 | k.b;  // X byte set
                src->Write(vy * line + vx * bpp, &px, bpp);  // little-endian host
            }
        auto d = FbDisplay::Open(std::move(src));
        ASSERT_NE(d, nullptr);
        std::unique_ptr<GxLibrary> gx = d->LoadGx("gx.dll");
        ASSERT_NE(gx, nullptr);
        EXPECT_EQ(gx->GetDisplayProperties().format & kFormat565, 0u);
        ExpectCapture(*d, 100, 50,
                      [&](int x, int y) { return colors[(x + 8 + y + 55) % 4].rgb555; });
    }
}

TEST(FbDisplay, RefusesLayoutsItCannotReadSafely) {
    const struct {
        const char* name;
        std::function<void(MemfdSource&)> spoil;
    } cases[] = {
        {"visible area past the memory", [](MemfdSource& s) { s.var.yoffset = 61; }},
        {"rows shorter than the screen", [](MemfdSource& s) { s.fix.line_length = 100 * 2 - 2; }},
        {"x offset past the row", [](MemfdSource& s) { s.var.xoffset = 29; }},
        {"8-bit palette", [](MemfdSource& s) { s.var.bits_per_pixel = 8; }},
        {"bitfield past the pixel", [](MemfdSource& s) { s.var.red.offset = 12; }},
        {"planar", [](MemfdSource& s) { s.fix.type = FB_TYPE_PLANES; }},
        {"ioctl fails", [](MemfdSource& s) { s.varError = EINVAL; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto src = MakeSource(k565);
        c.spoil(*src);
        EXPECT_EQ(FbDisplay::Open(std::move(src)), nullptr);
    }
    // The largest visible offset that still fits the 128-pixel rows is accepted.
    auto src = MakeSource(k565);
    src->var.xoffset = 28;
    src->var.yoffset = 60;
    EXPECT_NE(FbDisplay::Open(std::move(src)), nullptr);
}

TEST(FbDisplay, FollowsPanningButNotModeChanges) {
    auto owned = MakeSource(k565);
    MemfdSource* src = owned.get();
    const uint32_t line = src->fix.line_length;
    for (int vy = 0; vy < 110; ++vy) {
        const std::vector<uint16_t> row(120, uint16_t(vy < 55 ? 0x001F : 0xF800));
        src->Write(vy * line, row.data(), 240);
    }
    src->var.yoffset = 0;
    auto d = FbDisplay::Open(std::move(owned));
    ASSERT_NE(d, nullptr);
    std::unique_ptr<GxLibrary> gx = d->LoadGx("gx.dll");
    ASSERT_TRUE(gx->OpenDisplay());
    ExpectCapture(*d, 100, 50, [](int, int) { return uint16_t(0x001F); });

    src->var.yoffset = 55;  // another program flipped to the second page
    d->BeforeCapture();
    ExpectCapture(*d, 100, 50, [](int, int) { return uint16_t(0x7C00); });
    EXPECT_EQ(Read16(gx->BeginDraw()), 0xF800);

    for (auto spoil :
         {+[](MemfdSource& s) { s.var.yoffset = 61; }, +[](MemfdSource& s) { s.var.xres = 110; },
          +[](MemfdSource& s) { s.varError = EIO; }}) {
        src->var.yoffset = 0;
        spoil(*src);
        d->BeforeCapture();
        ExpectCapture(*d, 100, 50, [](int, int) { return uint16_t(0x7C00); });
        src->var.xres = 100;
        src->varError = 0;
    }
}

class LineSink : public log::Sink {
public:
    std::vector<std::string> lines;
    void Write(bool, const char* text) override { lines.emplace_back(text); }
};

TEST(FbDisplay, CreateDisplayReportsAMissingNode) {
    LineSink sink;
    log::SetSink(&sink);
    setenv("HANDREL_FBDEV", "/nonexistent/handrel-fb", 1);
    std::unique_ptr<Display> d = CreateDisplay("linux");
    unsetenv("HANDREL_FBDEV");
    log::SetSink(nullptr);
    EXPECT_EQ(d, nullptr);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].rfind("FB::Open:", 0), 0u) << sink.lines[0];
    EXPECT_NE(sink.lines[0].find("/nonexistent/handrel-fb"), std::string::npos);
}

TEST(FbDisplay, RealFrameBuffer) {
    if (access("/dev/fb0", R_OK) != 0) GTEST_SKIP() << "no readable /dev/fb0";
    std::unique_ptr<Display> d = CreateDisplay("linux");
    ASSERT_NE(d, nullptr);
    ASSERT_GT(d->Width(), 0);
    ASSERT_GT(d->Height(), 0);
    const int stride = (2 * d->Width() + 3) & ~3;
    std::vector<uint8_t> out(size_t(stride) * d->Height());
    EXPECT_TRUE(d->CaptureRgb555(out.data(), d->Width(), d->Height(), stride));
}

}  // namespace
}  // namespace hd::platform
