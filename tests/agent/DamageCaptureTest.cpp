// Damage-driven capture: the same scripted drawing captured whole and through
// the areas the display reports gives the same updates byte for byte, on each
// capture path (display memory in portrait and landscape order, the screen
// copy); a change the display never reported waits for the whole capture.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "agent/platform/virtual/VirtualDisplay.h"
#include "agent/screen/ScreenSender.h"
#include "common/Codes.h"
#include "desktop/session/ProcessDeltas.h"

namespace hd {
namespace {

using platform::Canvas;
using platform::Rect;
using platform::VirtualDisplay;

// How the display answers TakeDamage.
enum class Damage { None, Scripted, Own };

class ScriptedDisplay : public VirtualDisplay {
public:
    ScriptedDisplay(platform::VirtualDisplayOptions o, Damage mode)
        : VirtualDisplay(std::move(o)), m_mode(mode) {}
    bool TakeDamage(std::vector<Rect>& areas) override {
        if (m_mode == Damage::Own) return VirtualDisplay::TakeDamage(areas);
        areas = std::exchange(reported, {});
        return m_mode == Damage::Scripted;
    }
    std::vector<Rect> reported;

private:
    Damage m_mode;
};

platform::VirtualDisplayOptions Options(uint32_t gxFormat) {
    platform::VirtualDisplayOptions o;
    o.width = 61;  // odd: rows carry padding
    o.height = 40;
    o.gxFormat = gxFormat;
    o.clock = [] { return std::chrono::system_clock::time_point(std::chrono::seconds(1000)); };
    return o;
}

// Fills the rectangles with a colour of the step; keep = false leaves every
// pixel as it was (drawn, but nothing changed).
void Paint(ScriptedDisplay& d, const std::vector<Rect>& rects, int step, bool change) {
    d.Draw([&](Canvas& c) {
        for (const Rect& r : rects)
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    c.SetPixel(x, y,
                               change ? uint16_t(0x1234 * (step + 1) + x * 7 + y)
                                      : (x < c.Width() && y < c.Height() ? c.Get(x, y) : 0));
    });
    d.reported = rects;
}

class DamageCapture : public ::testing::TestWithParam<uint32_t> {};

TEST_P(DamageCapture, GivesTheUpdatesOfAWholeCapture) {
    const ScreenSender::Timing never{50, 5, 50, 2000, 3600000};
    ScriptedDisplay whole(Options(GetParam()), Damage::None);
    ScriptedDisplay scripted(Options(GetParam()), Damage::Scripted);
    ScriptedDisplay own(Options(GetParam()), Damage::Own);
    ScreenSender wholeSender(whole, never), scriptedSender(scripted, never), ownSender(own, never);
    GrowBuffer desktop;
    const struct {
        const char* what;
        std::vector<Rect> rects;
        bool change;
    } steps[] = {
        {"the first, full update", {}, false},
        {"one pixel", {{10, 10, 1, 1}}, true},
        {"two areas 6 bytes apart: one run", {{5, 3, 4, 2}, {12, 3, 4, 2}}, true},
        {"two areas 8 bytes apart: two runs", {{0, 0, 3, 1}, {7, 0, 3, 1}}, true},
        {"whole rows, padding between", {{0, 5, 61, 1}, {0, 6, 61, 1}}, true},
        {"past the right edge", {{58, 20, 10, 4}}, true},
        {"overlapping areas", {{20, 30, 5, 5}, {22, 32, 6, 6}}, true},
        {"top to bottom", {{30, 0, 2, 40}}, true},
        {"drawn but unchanged", {{1, 1, 2, 2}}, false},
    };
    int step = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        for (ScriptedDisplay* d : {&whole, &scripted, &own}) Paint(*d, s.rects, step, s.change);
        const uint8_t command = wholeSender.BuildDelta();
        EXPECT_EQ(command, step == 0 ? HC_FULLSCREEN : s.change ? HC_DELTASCREEN : 0);
        const std::vector<uint8_t> delta(wholeSender.Delta().block,
                                         wholeSender.Delta().block + wholeSender.Delta().used);
        for (ScreenSender* sender : {&scriptedSender, &ownSender}) {
            EXPECT_EQ(sender->BuildDelta(), command);
            if (command) {
                EXPECT_EQ(std::vector<uint8_t>(sender->Delta().block,
                                               sender->Delta().block + sender->Delta().used),
                          delta);
            }
        }
        if (command) {
            ASSERT_TRUE(ProcessDeltas(delta.data(), delta.size(), desktop));
            EXPECT_EQ(
                0, std::memcmp(desktop.block, ownSender.Reference().block, size_t(desktop.used)));
        }
        ++step;
    }

    // Drawn behind the display's back: only a whole capture finds it.
    whole.Draw([](Canvas& c) { c.SetPixel(3, 3, 0x7FFF); });
    scripted.Draw([](Canvas& c) { c.SetPixel(3, 3, 0x7FFF); });
    EXPECT_EQ(wholeSender.BuildDelta(), HC_DELTASCREEN);
    EXPECT_EQ(scriptedSender.BuildDelta(), 0);
    ScreenSender soon(scripted, {50, 5, 50, 2000, 50});
    EXPECT_EQ(soon.BuildDelta(), HC_FULLSCREEN);
    EXPECT_EQ(soon.BuildDelta(), 0);  // the memory reader's own first, whole read
    scripted.Draw([](Canvas& c) { c.SetPixel(4, 4, 0x7C00); });
    EXPECT_EQ(soon.BuildDelta(), 0) << "not reported, and the whole capture was just now";
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(soon.BuildDelta(), HC_DELTASCREEN);
}

// Portrait 5-6-5 memory, landscape memory, and a format only the screen copy reads.
INSTANTIATE_TEST_SUITE_P(Layouts, DamageCapture, ::testing::Values(0x80u, 0x88u, 0u),
                         [](const auto& info) {
                             return info.param == 0x80u   ? std::string("Portrait")
                                    : info.param == 0x88u ? std::string("Landscape")
                                                          : std::string("ScreenCopy");
                         });

}  // namespace
}  // namespace hd
