// The check every display that reports its damage passes: after the first
// update, a drawing gets the next update out through a wake-up, long before
// the sender's poll (1 ms quick polls, an interval of a minute).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "agent/platform/Display.h"
#include "agent/screen/ScreenSender.h"
#include "common/Channel.h"
#include "common/Codes.h"
#include "support/FakeStream.h"

namespace hd::test {

// draw changes the screen once; false when it could not be asked for.
inline void ExpectDamageWakesTheSender(platform::Display& display,
                                       const std::function<bool()>& draw) {
    ScreenSender sender(display, ScreenSender::Timing{1, 5, 50});
    std::atomic<int> wakes{0};
    display.SetChangeListener([&] {
        ++wakes;
        sender.WakeForScreenChange();
    });
    FakeStream wire;
    Channel channel(&wire);
    std::thread screen([&] { sender.Start(60000, channel); });
    auto waitFor = [&](auto done, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return done();
    };
    // Past a failure the loop is still stopped and joined below.
    const bool full = waitFor([&] { return wire.Written().size() > 9; }, 3000);
    EXPECT_TRUE(full && wire.Written()[0] == HC_FULLSCREEN);
    // The two 1 ms polls after the first update are long over by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(display.ReportsChanges());
    const size_t afterFull = wire.Written().size();
    const int wakesBefore = wakes.load();

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(draw());
    const bool delta = waitFor([&] { return wire.Written().size() > afterFull; }, 3000);
    EXPECT_TRUE(full && delta && wire.Written()[afterFull] == HC_DELTASCREEN);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_GT(wakes.load(), wakesBefore);

    sender.Stop();
    screen.join();
    display.SetChangeListener({});
}

}  // namespace hd::test
