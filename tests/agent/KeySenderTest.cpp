#include "agent/input/KeySender.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "agent/CommandLoop.h"
#include "agent/Services.h"
#include "agent/platform/virtual/Handheld.h"
#include "agent/platform/virtual/VirtualDisplay.h"
#include "common/Codes.h"
#include "support/FakeStream.h"
#include "support/RecordingInput.h"

namespace hd {
namespace {

using test::FakeStream;
using test::LogCapture;
using test::RecordingInput;
using Events = std::vector<std::string>;

// A key sender over a recorder whose pauses land in the same list.
struct Recorded {
    Recorded() {
        auto input = std::make_unique<RecordingInput>(events);
        RecordingInput* rec = input.get();
        ks = std::make_unique<KeySender>(std::move(input),
                                         [rec](std::chrono::milliseconds ms) { rec->Pause(ms); });
    }
    // Handles one command whose payload is the rest of the bytes.
    bool Run(std::vector<uint8_t> bytes) {
        FakeStream s;
        const uint8_t command = bytes.front();
        bytes.erase(bytes.begin());
        if (!bytes.empty()) s.AddBytes(bytes);
        Channel channel(&s);
        const bool ok = ks->Handle(command, channel);
        left = s.Left();
        return ok;
    }
    Events Take() { return std::exchange(events, {}); }

    Events events;
    std::unique_ptr<KeySender> ks;
    size_t left = 0;
};

TEST(KeySender, KeysProduceTheirRecordSequences) {
    LogCapture logs;
    log::SetEnabled(true);
    Recorded r;
    // Enter: one down and one up, with its scan code.
    ASSERT_TRUE(r.Run({HC_KEY, 0x0D, 0, 0, 0}));
    EXPECT_EQ(r.Take(), (Events{"key 0d/1c down", "key 0d/1c up"}));
    EXPECT_TRUE(logs.Has("PI:Read for key ret=ok Key=dH\n"));
    EXPECT_TRUE(logs.Has("KS::SendKey:SendInput returned : 1, LE = (0x00000000)\n"));

    // The "a" key with Shift pressed around it and released last.
    ASSERT_TRUE(r.Run({HC_SHIFTKEY, 'A', 0, 0, 0}));
    EXPECT_EQ(r.Take(),
              (Events{"key 10/2a down", "key 41/1e down", "key 41/1e up", "key 10/2a up"}));

    // The key code is little-endian; a key the table lacks has scan code 0.
    ASSERT_TRUE(r.Run({HC_KEY, 0x25, 0x01, 0, 0}));
    EXPECT_EQ(r.Take(), (Events{"key 125/00 down", "key 125/00 up"}));

    ASSERT_TRUE(r.Run({HC_CHAR, 0xAC, 0x20, 0, 0}));  // the euro sign
    ASSERT_TRUE(r.Run({HC_KEYDOWN, 0x26, 0, 0, 0}));
    // A key event takes the key's low byte.
    ASSERT_TRUE(r.Run({HC_KEYEVENT, 0x41, 0x12, 0, 0}));
    EXPECT_EQ(r.Take(), (Events{"char 20ac", "post 26", "kbd 41 down", "kbd 41 up"}));
    log::SetEnabled(false);
}

TEST(KeySender, AppButtonIsTheWindowsKeyChord) {
    Recorded r;
    ASSERT_TRUE(r.Run({HC_APPBUTTON, 0xC1, 0x99}));
    EXPECT_EQ(r.Take(), (Events{"kbd 5b down", "kbd c1 down", "kbd c1 up", "kbd 5b up"}));
    EXPECT_EQ(r.left, 1u);  // one byte of payload only
}

TEST(KeySender, MouseTypesAndTheTapPause) {
    LogCapture logs;
    log::SetEnabled(true);
    Recorded r;
    // x and y big-endian.
    ASSERT_TRUE(r.Run({HC_MOUSE, 0, 0x12, 0x34, 0xAB, 0xCD}));
    EXPECT_TRUE(logs.Has("PI:received HC_MOUSE event, type=0 x=4660 y=43981"));
    ASSERT_TRUE(r.Run({HC_MOUSE, 1, 0x12, 0x34, 0xAB, 0xCD}));
    for (uint8_t type : {2, 3, 4, 9, 255}) ASSERT_TRUE(r.Run({HC_MOUSE, type, 0, 1, 0, 2}));
    EXPECT_EQ(r.Take(), (Events{
                            "mouse 8002 4660,43981",
                            "pause 50",  // the lift waits, so a quick tap stays a tap
                            "mouse 8004 4660,43981",
                            "mouse 8008 1,2",
                            "mouse 8010 1,2",
                            "mouse 8001 1,2",
                            "mouse 8000 1,2",  // unknown types: position only
                            "mouse 8000 1,2",
                        }));
    log::SetEnabled(false);
}

TEST(KeySender, FailedPayloadReadsEndTheCallWithTheirLine) {
    LogCapture logs;
    Recorded r;
    const struct {
        std::vector<uint8_t> bytes;
        const char* line;
    } cases[] = {
        {{HC_APPBUTTON}, "PI:Error reading vkey for app button"},
        {{HC_MOUSE}, "PI:Error reading mouse event type"},
        {{HC_MOUSE, 0, 0x12}, "PI:Error reading mouse x coord"},
        {{HC_MOUSE, 0, 0x12, 0x34, 0xAB}, "PI:Error reading mouse y coord"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(r.Run(c.bytes)) << c.line;
        EXPECT_TRUE(logs.HasForced(c.line)) << c.line;
    }
    // Keys trace the failed read while logging is on.
    EXPECT_FALSE(r.Run({HC_KEY, 0x0D, 0}));
    EXPECT_FALSE(logs.Has("PI:Read for key ret=Error"));
    log::SetEnabled(true);
    EXPECT_FALSE(r.Run({HC_SHIFTKEY}));
    EXPECT_TRUE(logs.Has("PI:Read for key ret=Error"));
    log::SetEnabled(false);
    EXPECT_EQ(r.Take(), Events{});  // nothing half-injected
}

struct WakeCounter : SenderControl {
    void Stop() override { calls.push_back("stop"); }
    void Wake(WakeAction a) override { calls.push_back("wake" + std::to_string(int(a))); }
    void SetSlowLink() override {}
    void SetKeepDisplayPointer(bool) override {}
    std::vector<std::string> calls;
};

TEST(KeySender, CommandLoopWakesTheSenderAfterEachInputAndStopsOnABrokenPayload) {
    Recorded r;
    WakeCounter sender;
    FakeStream s;
    s.AddBytes({HC_KEY, 0x0D, 0, 0, 0, HC_MOUSE, 4, 0, 5, 0, 6, HC_STOP});
    CommandLoop(sender, Handlers{r.ks.get()}).Run(&s);
    const std::string input = "wake" + std::to_string(int(WAKE_INPUT));
    EXPECT_EQ(sender.calls, (Events{input, input, "stop"}));
    EXPECT_EQ(r.Take(), (Events{"key 0d/1c down", "key 0d/1c up", "mouse 8001 5,6"}));

    LogCapture logs;
    WakeCounter abrupt;
    FakeStream broken;
    broken.AddBytes({HC_MOUSE, 0, 0});
    broken.AddFailure();
    CommandLoop(abrupt, Handlers{r.ks.get()}).Run(&broken);
    // The call ends at once: no quick refresh for the broken command.
    EXPECT_EQ(std::count(abrupt.calls.begin(), abrupt.calls.end(), input), 0);
    EXPECT_TRUE(logs.HasForced("PI:Error reading mouse x coord"));
}

// The factories as the agent calls them at load.
TEST(KeySender, ServicesOverTheVirtualHandheldAndWithoutInput) {
    LogCapture logs;
    platform::VirtualDisplayOptions o;
    platform::VirtualDisplay display(o);
    std::unique_ptr<platform::Shell> shell = CreateVirtualShell(display);
    ASSERT_NE(shell, nullptr);
    const DeviceContext device{"virtual", "/nonexistent", display, shell.get()};
    std::unique_ptr<CommandHandler> input = CreateInputService(device);
    ASSERT_NE(input, nullptr);

    // Application button 2 brings the ink pad to the front.
    FakeStream s;
    s.AddBytes({0xC2});
    Channel channel(&s);
    ASSERT_TRUE(input->Handle(HC_APPBUTTON, channel));
    ASSERT_FALSE(shell->Apps().empty());
    EXPECT_EQ(shell->Apps().front().exe, "ink.exe");

    // Without uinput (as on build machines) the key sender still reads every
    // payload, so the channel stays in step, and says once that input is off.
    if (access("/dev/uinput", W_OK) == 0) GTEST_SKIP() << "uinput is writable here";
    const DeviceContext onLinux{"linux", "/nonexistent", display, nullptr};
    std::unique_ptr<CommandHandler> none = CreateInputService(onLinux);
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(logs.HasForced("input is unavailable"));
    FakeStream s2;
    s2.AddBytes({0x0D, 0, 0, 0, 1, 0, 1, 0, 2, 0x42});
    Channel c2(&s2);
    EXPECT_TRUE(none->Handle(HC_KEY, c2));
    EXPECT_TRUE(none->Handle(HC_MOUSE, c2));
    EXPECT_EQ(s2.Left(), 1u);
}

}  // namespace
}  // namespace hd
