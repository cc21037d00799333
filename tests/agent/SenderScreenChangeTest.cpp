// The display's screen-change wake-up: a quick capture that never takes the
// place of a keep-alive request, and a request acted on once only.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "agent/ScreenSender.h"
#include "agent/platform/virtual/VirtualDisplay.h"
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

}  // namespace
}  // namespace hd
