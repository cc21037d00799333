// The display's screen-change wake-up: a quick capture that never takes the
// place of a keep-alive request, and a request acted on once only.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "agent/platform/virtual/VirtualDisplay.h"
#include "agent/screen/ScreenSender.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using platform::VirtualDisplay;

template <class F>
bool Eventually(F f) {
    for (int i = 0; i < 400; ++i) {
        if (f()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(SenderScreenChange, KeepsPendingRequestsAndCapturesAtOnce) {
    platform::VirtualDisplayOptions o;
    o.width = 240;
    o.height = 320;
    o.clock = [] { return std::chrono::system_clock::time_point(std::chrono::seconds(1000)); };
    VirtualDisplay display(o);
    ScreenSender sender(display, ScreenSender::Timing{1, 5, 50});
    sender.WakeForScreenChange();  // before Start: no event yet, ignored
    test::FakeStream wire;
    Channel channel(&wire);
    std::thread screen([&] { sender.Start(60000, channel); });
    EXPECT_TRUE(Eventually([&] { return wire.Written().size() > 9; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // past the 1 ms polls
    const size_t afterFull = wire.Written().size();

    // A change on screen right behind a pong: the pong is still sent.
    sender.Wake(WAKE_PONG);
    sender.WakeForScreenChange();
    EXPECT_TRUE(Eventually([&] { return wire.Written().size() > afterFull; }));
    EXPECT_EQ(wire.Written().size(), afterFull + 1);
    EXPECT_EQ(wire.Written().back(), HC_PONG);

    // Later changes capture at once (the interval is a minute) and do not
    // send the pong taken before a second time.
    display.Draw([](platform::Canvas& c) { c.SetPixel(5, 5, uint16_t(~c.Get(5, 5))); });
    sender.WakeForScreenChange();
    EXPECT_TRUE(Eventually([&] { return wire.Written().size() > afterFull + 1; }));
    EXPECT_TRUE(wire.Written().size() > afterFull + 1 &&
                wire.Written()[afterFull + 1] == HC_DELTASCREEN);
    const auto packet = wire.Written();
    if (packet.size() >= afterFull + 10) {  // else failed above; the loop still stops below
        const size_t end = afterFull + 1 + 9 + get_be32(packet.data() + afterFull + 2);
        sender.WakeForScreenChange();
        sender.WakeForScreenChange();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(wire.Written().size(), end) << "nothing changed, nothing is owed";
    }

    sender.Stop();
    screen.join();
    EXPECT_EQ(wire.Written().back(), HC_STOP);
}

// A display that reports its changes, and counts the sender's captures.
class ReportingDisplay : public VirtualDisplay {
public:
    using VirtualDisplay::VirtualDisplay;
    bool ReportsChanges() override { return reports; }
    void BeforeCapture() override {
        ++captures;
        VirtualDisplay::BeforeCapture();
    }
    std::atomic<bool> reports{true};
    std::atomic<int> captures{0};
};

TEST(SenderScreenChange, DisplaysThatReportChangesAreNotPolled) {
    platform::VirtualDisplayOptions o;
    o.width = 240;
    o.height = 320;
    o.clock = [] { return std::chrono::system_clock::time_point(std::chrono::seconds(1000)); };
    ReportingDisplay display(o);
    // A 1 ms refresh interval would poll hundreds of times; the safety pass
    // (a minute) never comes during the test.
    ScreenSender sender(display, ScreenSender::Timing{1, 5, 50, 60000});
    test::FakeStream wire;
    Channel channel(&wire);
    std::thread screen([&] { sender.Start(1, channel); });
    // The first capture sends the full image, then two quick polls follow.
    EXPECT_TRUE(Eventually([&] { return display.captures.load() == 3; }));

    // A reported change: captured at once and sent, then the two quick polls.
    const size_t before = wire.Written().size();
    display.Draw([](platform::Canvas& c) { c.SetPixel(9, 9, uint16_t(~c.Get(9, 9))); });
    sender.WakeForScreenChange();
    EXPECT_TRUE(Eventually([&] { return display.captures.load() == 6; }));
    EXPECT_TRUE(wire.Written().size() > before && wire.Written()[before] == HC_DELTASCREEN);
    // A ping is one more pass: had the sender polled, far more would be counted.
    sender.Wake(WAKE_PING);
    EXPECT_TRUE(Eventually([&] {
        const auto w = wire.Written();
        return !w.empty() && w.back() == HC_PING;
    }));
    EXPECT_TRUE(Eventually([&] { return display.captures.load() >= 7; }));
    EXPECT_EQ(display.captures.load(), 7);

    // The display stops reporting (its watcher went away): polling resumes at
    // the refresh interval once the safety wait ends, here at the next wake.
    display.reports = false;
    sender.Wake(WAKE_INPUT);
    EXPECT_TRUE(Eventually([&] { return display.captures.load() > 20; }));

    sender.Stop();
    screen.join();
    EXPECT_EQ(wire.Written().back(), HC_STOP);
}

}  // namespace
}  // namespace hd
