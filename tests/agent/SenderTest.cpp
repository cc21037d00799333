#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <thread>

#include "agent/platform/virtual/VirtualDisplay.h"
#include "agent/screen/ScreenSender.h"
#include "common/ByteOrder.h"
#include "desktop/session/ProcessDeltas.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using platform::VirtualDisplay;
using platform::VirtualDisplayOptions;

VirtualDisplayOptions Frozen(int w = 240, int h = 320) {
    VirtualDisplayOptions o;
    o.width = w;
    o.height = h;
    o.clock = [] { return std::chrono::system_clock::time_point(std::chrono::seconds(1000)); };
    return o;
}

struct Update {
    uint8_t command = 0;
    std::vector<uint8_t> delta;
};

// Splits a packet as the desktop reads it: command, C, D, zlib data.
Update Unpack(const uint8_t* p, size_t n) {
    Update u;
    EXPECT_GE(n, 9u);
    u.command = p[0];
    const uint32_t c = get_be32(p + 1), d = get_be32(p + 5);
    EXPECT_EQ(n, 9 + c);
    u.delta.resize(d);
    uLongf out = d;
    EXPECT_EQ(uncompress(u.delta.data(), &out, p + 9, c), Z_OK);
    EXPECT_EQ(out, d);
    return u;
}

Update Built(ScreenSender& s) {
    return Unpack(s.Packet().block, size_t(s.Packet().used));
}

std::vector<uint8_t> Bytes(const GrowBuffer& b) {
    return {b.block, b.block + b.used};
}

TEST(Sender, FullThenPartialUpdatesRebuildTheImage) {
    VirtualDisplay display(Frozen());
    ScreenSender sender(display);
    GrowBuffer desk;

    ASSERT_TRUE(sender.GetImageDeltas());
    Update full = Built(sender);
    EXPECT_EQ(full.command, HC_FULLSCREEN);
    const uint32_t total = 54 + 240 * 320 * 2;
    ASSERT_GE(full.delta.size(), 12u);
    EXPECT_EQ(get_be32(full.delta.data()), total);
    EXPECT_EQ(get_be32(full.delta.data() + 4), 0u);  // one segment at offset 0...
    EXPECT_EQ(full.delta.size(), 12u + get_be32(full.delta.data() + 8));  // ...and only one
    ASSERT_TRUE(ProcessDeltas(full.delta.data(), full.delta.size(), desk));
    EXPECT_EQ(Bytes(desk), Bytes(sender.Reference()));
    EXPECT_EQ(desk.block[0], 'B');
    EXPECT_EQ(desk.block[1], 'M');

    EXPECT_FALSE(sender.GetImageDeltas());  // nothing changed

    // One pixel: one short segment.
    display.Draw([](platform::Canvas& c) { c.SetPixel(10, 20, uint16_t(~c.Get(10, 20))); });
    ASSERT_TRUE(sender.GetImageDeltas());
    Update one = Built(sender);
    EXPECT_EQ(one.command, HC_DELTASCREEN);
    EXPECT_LE(one.delta.size(), 4u + 8 + 3);
    const uint32_t pixelOffset = 54 + (319 - 20) * 480 + 10 * 2;
    EXPECT_GE(get_be32(one.delta.data() + 4), pixelOffset);
    EXPECT_LE(get_be32(one.delta.data() + 4), pixelOffset + 1);
    ASSERT_TRUE(ProcessDeltas(one.delta.data(), one.delta.size(), desk));
    EXPECT_EQ(Bytes(desk), Bytes(sender.Reference()));

    // Two changes 6 bytes apart fold into one segment; 20 apart make two.
    display.Draw([](platform::Canvas& c) {
        for (auto [x, y] : {std::pair{50, 50}, {53, 50}, {100, 60}, {110, 60}})
            c.SetPixel(x, y, uint16_t(~c.Get(x, y)));
    });
    ASSERT_TRUE(sender.GetImageDeltas());
    Update more = Built(sender);
    size_t segments = 0;
    for (size_t at = 4; at < more.delta.size(); at += 8 + get_be32(more.delta.data() + at + 4))
        ++segments;
    EXPECT_EQ(segments, 3u);
    ASSERT_TRUE(ProcessDeltas(more.delta.data(), more.delta.size(), desk));

    // The image equals a fresh screen copy of the display.
    std::vector<uint8_t> copy(240 * 320 * 2);
    ASSERT_TRUE(display.CaptureRgb555(copy.data(), 240, 320, 480));
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), desk.block + 54));
}

TEST(Sender, SlowLinkCompressesHarder) {
    VirtualDisplay display(Frozen());
    ScreenSender fast(display), slow(display);
    slow.SetSlowLink();
    ASSERT_TRUE(fast.GetImageDeltas());
    ASSERT_TRUE(slow.GetImageDeltas());
    EXPECT_EQ(slow.Level(), 9);
    EXPECT_LT(slow.Packet().used, fast.Packet().used);
    EXPECT_EQ(Built(slow).delta, Built(fast).delta);
}

template <class F>
bool Eventually(F f) {
    for (int i = 0; i < 400; ++i) {
        if (f()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(Sender, LoopAnswersWakeRequestsAndStops) {
    VirtualDisplay display(Frozen());
    ScreenSender sender(display, ScreenSender::Timing{50, 5, 50});
    test::FakeStream wire;
    Channel channel(&wire);
    sender.Wake(WAKE_PING);  // before Start: no event yet, ignored
    std::thread screen([&] { sender.Start(60000, channel); });
    ASSERT_TRUE(Eventually([&] { return wire.Written().size() > 9; }));
    EXPECT_EQ(wire.Written()[0], HC_FULLSCREEN);
    const size_t afterFull = wire.Written().size();

    sender.Wake(WAKE_PING);
    ASSERT_TRUE(Eventually([&] { return wire.Written().size() == afterFull + 1; }));
    EXPECT_EQ(wire.Written().back(), HC_PING);
    sender.Wake(WAKE_PONG);
    ASSERT_TRUE(Eventually([&] { return wire.Written().size() == afterFull + 2; }));
    EXPECT_EQ(wire.Written().back(), HC_PONG);

    // Input: a change drawn right after is sent by the quick polls, long
    // before the minute-long interval.
    sender.Wake(WAKE_INPUT);
    display.Draw([](platform::Canvas& c) { c.SetPixel(1, 1, uint16_t(~c.Get(1, 1))); });
    ASSERT_TRUE(Eventually([&] { return wire.Written().size() > afterFull + 2; }));
    EXPECT_EQ(wire.Written()[afterFull + 2], HC_DELTASCREEN);

    sender.Stop();
    EXPECT_EQ(sender.State(), WAKE_STOPPED);
    screen.join();
    EXPECT_EQ(wire.Written().back(), HC_STOP);
    EXPECT_EQ(sender.Reference().used, 0);  // freed: the next connection starts in full

    const auto t0 = std::chrono::steady_clock::now();
    sender.Stop();  // already stopped: returns without waiting
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(5));
}

// Large updates are packed on a second thread while the loop captures the
// next screen: the packets still arrive whole and in order, and rebuild the
// screen.
TEST(Sender, LargeUpdatesPackedAlongsideStillRebuildTheScreen) {
    VirtualDisplay display(Frozen(640, 480));
    ScreenSender sender(display, ScreenSender::Timing{1, 5, 50});
    test::FakeStream wire;
    Channel channel(&wire);
    std::thread screen([&] { sender.Start(60000, channel); });
    uint32_t seed = 1;
    auto noise = [&](platform::Canvas& c) {
        for (int y = 0; y < c.Height(); ++y)
            for (int x = 0; x < c.Width(); ++x)
                c.SetPixel(x, y, uint16_t((seed = seed * 1664525u + 1013904223u) >> 16));
    };
    for (int frame = 0; frame < 6; ++frame) {
        const size_t before = wire.Written().size();
        display.Draw(noise);
        sender.WakeForScreenChange();
        if (frame % 2) {  // two at once: the second is built while the first is packed
            display.Draw(noise);
            sender.WakeForScreenChange();
        }
        EXPECT_TRUE(Eventually([&] { return wire.Written().size() > before + 256 * 1024; }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the quick polls settle
    sender.Stop();
    screen.join();

    const std::vector<uint8_t> w = wire.Written();
    GrowBuffer desk;
    size_t at = 0, updates = 0;
    while (at < w.size() && (w[at] == HC_FULLSCREEN || w[at] == HC_DELTASCREEN)) {
        ASSERT_LE(at + 9, w.size());
        const size_t n = 9 + get_be32(w.data() + at + 1);
        ASSERT_LE(at + n, w.size());
        const Update u = Unpack(w.data() + at, n);
        ASSERT_TRUE(ProcessDeltas(u.delta.data(), u.delta.size(), desk));
        at += n;
        ++updates;
    }
    EXPECT_GE(updates, 6u);  // the first noise may go out in the full update
    EXPECT_EQ(std::vector<uint8_t>(w.begin() + long(at), w.end()), std::vector<uint8_t>{HC_STOP});
    std::vector<uint8_t> copy(640 * 480 * 2);
    ASSERT_TRUE(display.CaptureRgb555(copy.data(), 640, 480, 1280));
    ASSERT_EQ(desk.used, int32_t(54 + copy.size()));
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), desk.block + 54));
}

TEST(Sender, AStopBeforeStartEndsTheLoopAtOnce) {
    VirtualDisplay display(Frozen());
    ScreenSender sender(display);
    sender.Stop();  // the command channel ended first
    test::FakeStream wire;
    Channel channel(&wire);
    EXPECT_EQ(sender.Start(0, channel), 0);
    EXPECT_EQ(wire.Written(), std::vector<uint8_t>{HC_STOP});
    EXPECT_EQ(sender.State(), WAKE_STOPPED);
}

TEST(Sender, WriteFailureEndsTheLoop) {
    test::LogCapture logs;
    VirtualDisplay display(Frozen());
    ScreenSender sender(display);
    test::FakeStream wire;
    wire.FailWritesAfter(0);
    Channel channel(&wire);
    EXPECT_EQ(sender.Start(0, channel), 0);
    EXPECT_TRUE(logs.HasForced("S::Snapper:Snap() failed, exiting"));
    EXPECT_EQ(sender.State(), WAKE_STOPPED);
}

}  // namespace
}  // namespace hd
