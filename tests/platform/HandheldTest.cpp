#include "agent/platform/virtual/Handheld.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "agent/platform/virtual/VirtualInput.h"

namespace hd::platform {
namespace {

using Clock = std::chrono::system_clock;

// The virtual handheld as the agent builds it: display, shell, input backend.
struct Device {
    Device() : display(Options(now)), handheld(display), input(handheld) {}
    static VirtualDisplayOptions Options(Clock::time_point& now) {
        VirtualDisplayOptions o;
        o.clock = [&now] { return now; };
        return o;
    }

    // What the next capture sees.
    std::vector<uint16_t> Pixels() {
        display.BeforeCapture();
        std::vector<uint16_t> p;
        display.Draw([&](Canvas& c) {
            for (int y = 0; y < c.Height(); ++y)
                for (int x = 0; x < c.Width(); ++x) p.push_back(c.Get(x, y));
        });
        return p;
    }
    // Pixels that differ between two pictures, inside and outside r.
    std::pair<int, int> Changed(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b,
                                const Rect& r) const {
        int in = 0, out = 0;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) ++(r.Contains(int(i % 240), int(i / 240)) ? in : out);
        return {in, out};
    }

    void Key(uint8_t vk) {
        input.SendKeyboard({vk, 0, 0});
        input.SendKeyboard({vk, 0, kKeyUp});
    }
    // An absolute position that lands on pixel p of a side of n pixels.
    static uint32_t Abs(int p, int n) { return uint32_t((p * 65536 + n / 2) / n); }
    void Tap(int x, int y) {
        input.MouseEvent(kMouseAbsolute | kMouseLeftDown, Abs(x, 240), Abs(y, 320));
        input.MouseEvent(kMouseAbsolute | kMouseLeftUp, Abs(x, 240), Abs(y, 320));
    }
    void Button(uint8_t vk) {
        input.KeybdEvent(0x5B, 0, 0);
        input.KeybdEvent(vk, 0, 0);
        input.KeybdEvent(vk, 0, kKeyUp);
        input.KeybdEvent(0x5B, 0, kKeyUp);
    }
    uint32_t PidOf(const std::string& exe) {
        for (const ShellApp& a : handheld.Apps())
            if (a.exe == exe) return a.pid;
        return 0;
    }
    std::string FrontExe() {
        auto apps = handheld.Apps();
        return handheld.StartShown() || apps.empty() ? "" : apps.front().exe;
    }

    Clock::time_point now = Clock::time_point(std::chrono::seconds(1'700'000'000));
    VirtualDisplay display;
    Handheld handheld;
    VirtualInput input;
};

TEST(Handheld, StartsBehindTheStartScreenWithTwoApplications) {
    Device d;
    const std::vector<ShellApp> apps = d.handheld.Apps();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].exe, "notes.exe");
    EXPECT_EQ(apps[0].title, "Notes");
    EXPECT_EQ(apps[1].exe, "calc.exe");
    EXPECT_NE(apps[0].pid, apps[1].pid);
    EXPECT_TRUE(d.handheld.StartShown());
    EXPECT_EQ(d.handheld.ScreenWidth(), 240);
}

TEST(Handheld, TypingIntoNotesChangesTheBodyAndBackspaceUndoesIt) {
    Device d;
    ASSERT_TRUE(d.handheld.Activate(d.PidOf("notes.exe")));
    const Rect body = d.handheld.Frame().Body();
    const auto empty = d.Pixels();

    d.Key('H');  // a key down types its character
    d.input.PostCharacter('i');
    const auto typed = d.Pixels();
    const auto [in, out] = d.Changed(empty, typed, body);
    EXPECT_GT(in, 20);
    EXPECT_EQ(out, 0);  // the bars and the clock stay

    // Shift makes upper case; Enter and the arrows edit; all of it is undone
    // by as many backspaces as characters typed.
    d.input.SendKeyboard({0x10, 0x2A, 0});
    d.Key('X');
    d.input.SendKeyboard({0x10, 0x2A, kKeyUp});
    d.Key(0x0D);
    d.Key(0x25);  // left: before the line break
    d.Key(0x27);  // right: after it again
    EXPECT_NE(d.Pixels(), typed);
    for (int i = 0; i < 4; ++i) d.Key(0x08);
    EXPECT_EQ(d.Pixels(), empty);

    // Control chords type nothing.
    d.input.SendKeyboard({0x11, 0x1D, 0});
    d.Key('S');
    d.input.SendKeyboard({0x11, 0x1D, kKeyUp});
    EXPECT_EQ(d.Pixels(), empty);
}

TEST(Handheld, AppButtonsSwitchTheFrontApplication) {
    Device d;
    const uint32_t notes = d.PidOf("notes.exe");
    const auto start = d.Pixels();

    d.Button(0xC2);  // button 2: the ink pad, started
    EXPECT_EQ(d.FrontExe(), "ink.exe");
    EXPECT_EQ(d.handheld.Apps().size(), 3u);
    const auto ink = d.Pixels();
    EXPECT_NE(ink, start);

    d.Button(0xC1);  // button 1: notes, already running, comes to the front
    EXPECT_EQ(d.FrontExe(), "notes.exe");
    EXPECT_EQ(d.PidOf("notes.exe"), notes);
    EXPECT_EQ(d.handheld.Apps().size(), 3u);
    EXPECT_EQ(d.handheld.Apps()[1].exe, "ink.exe");

    d.Button(0xC5);  // button 5: the start screen, the applications keep running
    EXPECT_TRUE(d.handheld.StartShown());
    EXPECT_EQ(d.Pixels(), start);
    EXPECT_EQ(d.handheld.Apps().size(), 3u);

    d.Button(0xC2);  // the same picture as before: the same ink pad
    EXPECT_EQ(d.Pixels(), ink);
}

TEST(Handheld, TappingATileLaunchesItsApplication) {
    Device d;
    const Rect tile = d.handheld.Frame().TileRect(1);  // INK
    const int x = tile.x + tile.w / 2, y = tile.y + 10;
    const auto before = d.Pixels();
    // Down frames the tile; lifting elsewhere starts nothing.
    d.input.MouseEvent(0x8002, Device::Abs(x, 240), Device::Abs(y, 320));
    EXPECT_NE(d.Pixels(), before);
    d.input.MouseEvent(0x8004, Device::Abs(5, 240), Device::Abs(300, 320));
    EXPECT_EQ(d.Pixels(), before);
    EXPECT_TRUE(d.handheld.StartShown());

    d.Tap(x, y);
    EXPECT_EQ(d.FrontExe(), "ink.exe");

    // A drag on the pad draws where it went; CLEAR (the middle soft key)
    // wipes it.
    const auto pad = d.Pixels();
    const Rect body = d.handheld.Frame().Body();
    d.input.MouseEvent(0x8002, Device::Abs(40, 240), Device::Abs(100, 320));
    d.input.MouseEvent(0x8001, Device::Abs(140, 240), Device::Abs(100, 320));
    d.input.MouseEvent(0x8004, Device::Abs(140, 240), Device::Abs(100, 320));
    const auto drawn = d.Pixels();
    EXPECT_NE(drawn[100 * 240 + 90], pad[100 * 240 + 90]);  // on the line
    EXPECT_EQ(drawn[150 * 240 + 90], pad[150 * 240 + 90]);  // off it
    EXPECT_EQ(d.Changed(pad, drawn, body).second, 0);
    const Rect bar = d.handheld.Frame().SoftKeyBar();
    d.Tap(120, bar.y + bar.h / 2);
    EXPECT_EQ(d.Pixels(), pad);
}

TEST(Handheld, TaskTableFollowsTheScreen) {
    Device d;
    const uint32_t notes = d.PidOf("notes.exe"), calc = d.PidOf("calc.exe");
    EXPECT_FALSE(d.handheld.Activate(0x1234));
    EXPECT_FALSE(d.handheld.Close(0x1234));
    EXPECT_FALSE(d.handheld.Terminate(0x1234));

    ASSERT_TRUE(d.handheld.Activate(calc));
    EXPECT_EQ(d.FrontExe(), "calc.exe");
    const auto calcShown = d.Pixels();
    ASSERT_TRUE(d.handheld.Activate(notes));
    // Closing the front application shows the next one.
    ASSERT_TRUE(d.handheld.Close(notes));
    EXPECT_EQ(d.FrontExe(), "calc.exe");
    EXPECT_EQ(d.Pixels(), calcShown);
    EXPECT_EQ(d.PidOf("notes.exe"), 0u);
    EXPECT_FALSE(d.handheld.Activate(notes));  // gone for good

    // A fresh start gets a new identifier; ending the last shows the start
    // screen.
    d.Button(0xC1);
    const uint32_t notes2 = d.PidOf("notes.exe");
    EXPECT_NE(notes2, 0u);
    EXPECT_NE(notes2, notes);
    ASSERT_TRUE(d.handheld.Terminate(calc));
    ASSERT_TRUE(d.handheld.Terminate(notes2));
    EXPECT_TRUE(d.handheld.Apps().empty());
    EXPECT_TRUE(d.handheld.StartShown());

    // The CLOSE soft key ends the front application as Close does.
    d.Button(0xC3);
    const Rect bar = d.handheld.Frame().SoftKeyBar();
    d.Tap(230, bar.y + bar.h / 2);
    EXPECT_TRUE(d.handheld.Apps().empty());
}

TEST(Handheld, TasksApplicationActivatesTheTappedRow) {
    Device d;
    d.Button(0xC4);
    ASSERT_EQ(d.FrontExe(), "tasks.exe");
    // Rows below the heading, front first: tasks, notes, calc.
    const Rect body = d.handheld.Frame().Body();
    d.Tap(100, body.y + 3 * 16 + 8);
    EXPECT_EQ(d.FrontExe(), "calc.exe");
}

TEST(Handheld, ClockKeepsTickingOverTheApplications) {
    Device d;
    d.Button(0xC1);
    const auto before = d.Pixels();
    d.now += std::chrono::seconds(1);
    const auto after = d.Pixels();
    const auto [in, out] = d.Changed(before, after, d.handheld.Frame().ClockRect());
    EXPECT_GT(in, 0);
    EXPECT_EQ(out, 0);
}

// The screen thread captures while the command thread types, taps and
// switches: every capture is a whole picture (under the sanitizers this also
// checks that the two threads share nothing unguarded).
TEST(Handheld, CapturesRunAlongsideInput) {
    Device d;
    std::atomic<bool> done{false};
    std::atomic<int> captures{0};
    std::thread screen([&] {
        std::vector<uint8_t> bmp(240 * 2 * 320);
        while (!done.load()) {
            d.display.BeforeCapture();
            ASSERT_TRUE(d.display.CaptureRgb555(bmp.data(), 240, 320, 480));
            ++captures;
        }
    });
    for (int i = 0; i < 1000; ++i) {
        d.Button(uint8_t(0xC1 + i % 5));
        d.input.PostCharacter('a' + i % 26);
        d.Tap(20 + i % 200, 40 + i % 260);
        if (i % 50 == 49) d.handheld.Close(d.handheld.Apps().front().pid);
    }
    // On a busy machine the screen thread may not have run yet: let it.
    while (captures.load() == 0) std::this_thread::yield();
    done = true;
    screen.join();
    EXPECT_GT(captures.load(), 0);
    // The picture kept up change by change is the one drawn from scratch.
    const auto shown = d.Pixels();
    d.display.SetScene(&d.handheld);
    EXPECT_EQ(d.Pixels(), shown);
}

}  // namespace
}  // namespace hd::platform
