#include "agent/platform/virtual/VirtualDisplay.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "agent/platform/KnownDevices.h"

namespace hd::platform {
namespace {

using Clock = std::chrono::system_clock;

uint16_t Read16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

struct LayoutCase {
    const char* name;
    int width, height;
    uint32_t format;
    const char* oem;
    const KnownDevice* known;  // expected match, or null
};

// Where the reader would look: the known device's fixed memory, or the layer.
struct View {
    uint8_t* base = nullptr;
    int32_t xp = 0, yp = 0;  // bytes
    int width = 0, height = 0;
};

View Locate(VirtualDisplay& d, const LayoutCase& c, std::unique_ptr<GxLibrary>& gx) {
    if (c.known) {
        EXPECT_EQ(d.KnownDeviceMemory(c.known->address + 2), nullptr);
        return {d.KnownDeviceMemory(c.known->address), c.known->xPitch * 2, c.known->yPitch * 2,
                int(c.known->width), int(c.known->height)};
    }
    EXPECT_EQ(d.KnownDeviceMemory(kKnownDevices[0].address), nullptr);
    gx = d.LoadGx("gx.dll");
    if (!gx || !gx->OpenDisplay()) return {};
    const GxProperties p = gx->GetDisplayProperties();
    EXPECT_EQ(p.format, c.format);
    return {gx->BeginDraw(), p.xPitchBytes, p.yPitchBytes, int(p.width), int(p.height)};
}

TEST(VirtualDisplay, MemoryLayouts) {
    const LayoutCase cases[] = {
        {"portrait", 240, 320, 0x80, "Handrel virtual handheld", nullptr},
        {"landscape", 240, 320, 0x88, "Handrel virtual handheld", nullptr},
        {"landscape wide", 320, 200, 0x88, "Handrel virtual handheld", nullptr},
        {"odd portrait", 37, 53, 0x80, "Handrel virtual handheld", nullptr},
        {"h3800", 100, 100, 0x80, "Test H3800 Unit", &kKnownDevices[0]},
        {"jornada 720", 100, 100, 0x80, "test Jornada 720 unit", &kKnownDevices[1]},
        {"j670", 100, 100, 0x80, "x J670 y", &kKnownDevices[2]},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualDisplayOptions o;
        o.width = c.width;
        o.height = c.height;
        o.gxFormat = c.format;
        o.oemInfo = c.oem;
        VirtualDisplay d(o);
        std::unique_ptr<GxLibrary> gx;
        const View v = Locate(d, c, gx);
        ASSERT_NE(v.base, nullptr);
        const int w = c.known ? int(c.known->width) : c.width;
        const int h = c.known ? int(c.known->height) : c.height;
        ASSERT_EQ(d.Width(), w);
        ASSERT_EQ(d.Height(), h);
        ASSERT_EQ(v.width, w);
        ASSERT_EQ(v.height, h);
        if (c.format & kFormatLandscape && !c.known) {
            EXPECT_EQ(v.xp, -2 * h);
            EXPECT_EQ(v.yp, 2);
        }

        // Every logical pixel has its own address inside the block.
        const std::span<const uint8_t> mem = d.Memory();
        std::vector<bool> used(mem.size() / 2);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const ptrdiff_t off =
                    v.base + ptrdiff_t(x) * v.xp + ptrdiff_t(y) * v.yp - mem.data();
                ASSERT_TRUE(off >= 0 && size_t(off) + 2 <= mem.size()) << x << "," << y;
                ASSERT_FALSE(used[size_t(off) / 2]) << x << "," << y;
                used[size_t(off) / 2] = true;
            }

        // What the screen draws at (x, y) is where the reader looks for it.
        const int pts[][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 3, h / 2}};
        d.Draw([&](Canvas& canvas) {
            for (int i = 0; i < 5; ++i)
                canvas.SetPixel(pts[i][0], pts[i][1], uint16_t(0x1111 * (i + 1)));
        });
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Read16(v.base + pts[i][0] * v.xp + pts[i][1] * v.yp), 0x1111 * (i + 1)) << i;

        // The fallback copy is the same picture: mirrored rows, 5-5-5, padding untouched.
        const int stride = 2 * w + 6;
        std::vector<uint8_t> out(size_t(stride) * h, 0xEE);
        ASSERT_TRUE(d.CaptureRgb555(out.data(), w, h, stride));
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = out.data() + size_t(h - 1 - y) * stride;
            for (int x = 0; x < w; ++x) {
                const uint16_t p = Read16(v.base + x * v.xp + y * v.yp);
                ASSERT_EQ(Read16(row + 2 * x), (p & 0x1F) | (p >> 6) << 5) << x << "," << y;
            }
            for (int i = 2 * w; i < stride; ++i) ASSERT_EQ(row[i], 0xEE);
        }
    }
}

TEST(VirtualDisplay, ClockRedrawsOnlyOnANewSecond) {
    auto now =
        Clock::time_point(std::chrono::seconds(1'700'000'000)) + std::chrono::milliseconds(200);
    VirtualDisplayOptions o;
    o.clock = [&] { return now; };
    VirtualDisplay d(o);
    const std::vector<uint8_t> first(d.Memory().begin(), d.Memory().end());
    const StartScreen::Rect clock = StartScreen(240, 320).ClockRect();
    ASSERT_GE(clock.x, 0);
    ASSERT_LE(clock.x + clock.w, 240);

    // Same second: nothing is redrawn, not even a mark made in the clock.
    const int mx = clock.x + clock.w / 2, my = clock.h / 2;
    d.Draw([&](Canvas& c) { c.SetPixel(mx, my, 0x1234); });
    now += std::chrono::milliseconds(700);
    d.BeforeCapture();
    auto pixel = [&](int x, int y) {
        uint16_t v = 0;
        d.Draw([&](Canvas& c) { v = c.Get(x, y); });
        return v;
    };
    EXPECT_EQ(pixel(mx, my), 0x1234);

    // The next second changes the clock and nothing else.
    now += std::chrono::milliseconds(100);
    d.BeforeCapture();
    EXPECT_NE(pixel(mx, my), 0x1234);
    std::unique_ptr<GxLibrary> gx = d.LoadGx("gx.dll");
    ASSERT_TRUE(gx && gx->OpenDisplay());
    const uint8_t* base = gx->BeginDraw();
    const std::span<const uint8_t> mem = d.Memory();
    int changed = 0;
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x) {
            const size_t off = size_t(base + 2 * x + 480 * y - mem.data());
            if (Read16(&first[off]) == Read16(&mem[off])) continue;
            ++changed;
            EXPECT_TRUE(x >= clock.x && x < clock.x + clock.w && y >= clock.y &&
                        y < clock.y + clock.h)
                << x << "," << y;
        }
    EXPECT_GT(changed, 0);

    // Going back to the first second draws the first picture again.
    now -= std::chrono::seconds(1);
    d.BeforeCapture();
    EXPECT_TRUE(std::equal(first.begin(), first.end(), mem.begin()));
}

// The display knows what it draws: the area (through cut-out canvases too)
// for the next capture, and a wake for each drawing and each new second.
TEST(VirtualDisplay, ReportsWhatItDrawsAndWhen) {
    VirtualDisplayOptions o;
    o.gxFormat = kFormat565 | kFormatLandscape;
    VirtualDisplay d(o);
    std::vector<Rect> areas;
    ASSERT_TRUE(d.TakeDamage(areas));
    ASSERT_EQ(areas.size(), 1u) << "the first picture";
    EXPECT_EQ(areas[0].w, 240);
    EXPECT_TRUE(d.TakeDamage(areas) && areas.empty()) << "taken";

    std::atomic<int> wakes{0};
    EXPECT_FALSE(d.ReportsChanges());
    d.SetChangeListener([&] { ++wakes; });
    EXPECT_TRUE(d.ReportsChanges());
    d.Draw([](Canvas& c) {
        Canvas sub = c.Sub({10, 20, 30, 30});
        sub.FillRect(1, 2, 3, 4, 0x1234);
        sub.SetPixel(29, 29, 0x1234);
        sub.FillRect(28, 28, 10, 10, 0x1234);  // clipped to the cut-out
    });
    EXPECT_GE(wakes.load(), 1);
    ASSERT_TRUE(d.TakeDamage(areas));
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(std::vector<int>({areas[0].x, areas[0].y, areas[0].w, areas[0].h}),
              std::vector<int>({11, 22, 29, 28}));

    // Nothing drawn: the clock still wakes the sender at the next second.
    const int before = wakes.load();
    for (int i = 0; i < 150 && wakes.load() == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(wakes.load(), before);

    d.SetChangeListener({});
    EXPECT_FALSE(d.ReportsChanges());
    const int after = wakes.load();
    d.Draw([](Canvas& c) { c.SetPixel(0, 0, 1); });
    EXPECT_EQ(wakes.load(), after);
}

TEST(VirtualDisplay, LayersByName) {
    VirtualDisplayOptions o;
    o.width = 64;
    o.height = 48;
    {
        VirtualDisplay d(o);
        EXPECT_FALSE(d.AnswersVirtualDisplayEscape());
        EXPECT_EQ(d.LoadGx("NVDGAPI.DLL"), nullptr);
        EXPECT_EQ(d.LoadGx("other.dll"), nullptr);
        EXPECT_NE(d.LoadGx("GX.DLL"), nullptr);
    }

    o.answersEscape = true;
    o.gxFormat = 0x08;  // not 5-6-5: the reader refuses, the copy still works
    auto d = std::make_unique<VirtualDisplay>(o);
    EXPECT_TRUE(d->AnswersVirtualDisplayEscape());
    std::unique_ptr<GxLibrary> nvd = d->LoadGx("NVDGAPI.DLL");
    ASSERT_NE(nvd, nullptr);
    EXPECT_EQ(nvd->BeginRead(), nullptr);  // not open yet
    EXPECT_EQ(nvd->BeginDraw(), nullptr);
    ASSERT_TRUE(nvd->OpenDisplay());
    EXPECT_EQ(nvd->GetDisplayProperties().format & kFormat565, 0u);
    uint8_t* read = nvd->BeginRead();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read, nvd->BeginDraw());
    EXPECT_EQ(d->LoadGx("gx.dll")->BeginRead(), nullptr);  // only the virtual-display layer reads
    std::vector<uint8_t> out(64 * 48 * 2);
    EXPECT_TRUE(d->CaptureRgb555(out.data(), 64, 48, 128));
    EXPECT_FALSE(d->CaptureRgb555(out.data(), 64, 48, 100));  // stride shorter than a row

    // The layer keeps the memory alive past its display.
    d->Draw([](Canvas& c) { c.SetPixel(0, 0, 0xBEEF); });
    d.reset();
    EXPECT_EQ(Read16(nvd->BeginRead()), 0xBEEF);
    nvd->CloseDisplay();
    EXPECT_EQ(nvd->BeginRead(), nullptr);
}

TEST(VirtualDisplay, OptionsFromEnvironment) {
    int w = 1, h = 2;
    for (const char* bad :
         {"", "0x0", "640x", "x480", "abcx10", "100000x100", "640x480junk", "8x8"})
        EXPECT_FALSE(ParseScreenSize(bad, w, h)) << bad;
    EXPECT_EQ(w, 1);
    EXPECT_TRUE(ParseScreenSize("1920x1080", w, h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    setenv("HANDREL_SCREEN", "1920x1080", 1);
    setenv("HANDREL_OEM", "Bench unit", 1);
    setenv("HANDREL_GXFORMAT", "0x88", 1);
    setenv("HANDREL_NVD", "1", 1);
    VirtualDisplayOptions o = VirtualDisplayOptions::FromEnvironment();
    std::unique_ptr<Display> d = CreateDisplay("virtual");
    setenv("HANDREL_SCREEN", "huge", 1);
    setenv("HANDREL_GXFORMAT", "zz", 1);
    VirtualDisplayOptions bad = VirtualDisplayOptions::FromEnvironment();
    for (const char* name : {"HANDREL_SCREEN", "HANDREL_OEM", "HANDREL_GXFORMAT", "HANDREL_NVD"})
        unsetenv(name);

    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_EQ(o.oemInfo, "Bench unit");
    EXPECT_EQ(o.gxFormat, 0x88u);
    EXPECT_TRUE(o.answersEscape);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Width(), 1920);
    EXPECT_EQ(d->Height(), 1080);
    EXPECT_EQ(bad.width, 240);
    EXPECT_EQ(bad.height, 320);
    EXPECT_EQ(bad.gxFormat, kFormat565);
    EXPECT_EQ(CreateDisplay("nonesuch"), nullptr);
}

}  // namespace
}  // namespace hd::platform
