// Input from the desktop reaches the virtual handheld and shows on the
// screen channel: the real hdlisten and agent, driven over loopback.
#include <gtest/gtest.h>

#include <chrono>

#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"

namespace hd::test {
namespace {

using Clock = std::chrono::steady_clock;

// True when the last update changed a pixel below the title bar (16 rows on
// the 240 x 320 handheld), where the clock cannot have done it.
bool BodyChanged(const Desktop& d) {
    const uint8_t* bmp = d.image.block;
    const size_t n = size_t(d.image.used);
    if (n < 54 || d.previous.size() != n) return false;
    const uint32_t offBits = get_le32(bmp + 10);
    const int32_t height = int32_t(get_le32(bmp + 22));
    const uint32_t stride = (get_le32(bmp + 18) * 2 + 3) & ~3u;
    for (size_t i = offBits; i < n; ++i) {
        if (bmp[i] == d.previous[i]) continue;
        const int row = height - 1 - int((i - offBits) / stride);  // rows are bottom-up
        if (row >= 16) return true;
    }
    return false;
}

// Reads updates until one changes the body; false after timeoutMs.
bool WaitForBodyChange(Desktop& d, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        const int code = d.Next(int(left));
        if (code < 0) return false;
        if (code == HC_DELTASCREEN && BodyChanged(d)) return true;
    }
}

std::vector<uint8_t> Mouse(uint8_t type, uint16_t x, uint16_t y) {
    std::vector<uint8_t> m = {HC_MOUSE, type, 0, 0, 0, 0};
    put_be16(m.data() + 2, x);
    put_be16(m.data() + 4, y);
    return m;
}

TEST(InputE2E, TapsKeysAndCharactersChangeTheScreenWithinASecond) {
    ListenerProcess listener;
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN) << listener.Output();

    // A tap on the first start tile (pixel 30, 40 of 240 x 320) starts notes.
    const auto down = Mouse(0, 30 * 65536 / 240, 40 * 65536 / 320);
    const auto up = Mouse(1, 30 * 65536 / 240, 40 * 65536 / 320);
    ASSERT_TRUE(desktop.cmd.Send(down.data(), down.size()));
    ASSERT_TRUE(desktop.cmd.Send(up.data(), up.size()));
    EXPECT_TRUE(WaitForBodyChange(desktop, 1000)) << listener.Output();
    // The press and the launch may come as two updates: let them settle.
    for (int i = 0; i < 3 && WaitForBodyChange(desktop, 400); ++i) {
    }
    // Left alone, only the clock changes (it ticks within this wait).
    EXPECT_FALSE(WaitForBodyChange(desktop, 1100));

    // A character without a key, then a key, each shows in the note.
    ASSERT_TRUE(desktop.cmd.Send({HC_CHAR, 'H', 0, 0, 0}));
    EXPECT_TRUE(WaitForBodyChange(desktop, 1000));
    ASSERT_TRUE(desktop.cmd.Send({HC_SHIFTKEY, 'I', 0, 0, 0}));
    EXPECT_TRUE(WaitForBodyChange(desktop, 1000));

    // Application button 2 switches to the ink pad.
    ASSERT_TRUE(desktop.cmd.Send({HC_APPBUTTON, 0xC2}));
    EXPECT_TRUE(WaitForBodyChange(desktop, 1000));

    ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
    EXPECT_TRUE(desktop.WaitFor(HC_STOP, 2000));
    EXPECT_EQ(ExitCode(listener.Stop(3000)), 0) << listener.Output();
}

}  // namespace
}  // namespace hd::test
