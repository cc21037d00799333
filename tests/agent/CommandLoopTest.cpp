#include <gtest/gtest.h>

#include "agent/CommandLoop.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using test::FakeStream;
using test::LogCapture;

struct RecordingSender : SenderControl {
    void Stop() override { calls.push_back("stop"); }
    void Wake(WakeAction a) override { calls.push_back("wake" + std::to_string(int(a))); }
    void SetSlowLink() override { calls.push_back("slow"); }
    void SetKeepDisplayPointer(bool k) override { calls.push_back(k ? "keep" : "nokeep"); }
    std::vector<std::string> calls;
};

struct RecordingHandler : CommandHandler {
    bool Handle(uint8_t command, Channel& ch) override {
        uint8_t payload;
        if (ch.ReadFully(&payload, 1) != READ_DONE) return false;
        seen.push_back({command, payload});
        return true;
    }
    std::vector<std::pair<uint8_t, uint8_t>> seen;
};

std::vector<std::string> Serve(FakeStream& s, Handlers h = {}) {
    RecordingSender sender;
    CommandLoop loop(sender, h);
    EXPECT_EQ(loop.Run(&s), 0);
    return sender.calls;
}

using Calls = std::vector<std::string>;

TEST(CommandLoop, StopEndsNormally) {
    LogCapture logs;
    log::SetEnabled(true);
    FakeStream s;
    s.AddBytes({HC_STOP, 99});
    EXPECT_EQ(Serve(s), Calls{"stop"});
    EXPECT_TRUE(logs.Has("HdInvoke:Exiting"));
    EXPECT_EQ(s.Left(), 1u);  // nothing read past the stop

    FakeStream broken;  // a failed priming read is a normal end too
    broken.AddFailure();
    EXPECT_EQ(Serve(broken), Calls{"stop"});
    log::SetEnabled(false);
}

TEST(CommandLoop, InitFlagsSwitchLoggingAndRaiseTheLevel) {
    LogCapture logs;
    FakeStream s;
    // 0x0042: logging + slow link; then 0x0030: keep pointer + fast; interval 0
    s.AddBytes({HC_INIT, 0x42, 0x00, 0, 0, 0, 0});
    s.AddBytes({HC_INIT, 0x30, 0x00, 0, 0, 0, 166});
    s.AddBytes({HC_STOP});
    log::SetEnabled(false);
    EXPECT_EQ(Serve(s), (Calls{"slow", "nokeep", "keep", "stop"}));
    EXPECT_FALSE(log::Enabled());  // the second init turned it off
    EXPECT_TRUE(logs.Has("PI:SLOW conn"));
    EXPECT_TRUE(logs.Has("PI:Received Received HC_INIT, freq=0"));

    FakeStream s2;
    s2.AddBytes({HC_INIT, 0x02, 0x00, 0, 0, 0, 0, HC_STOP});
    Serve(s2);
    EXPECT_TRUE(log::Enabled());
    log::SetEnabled(false);
}

TEST(CommandLoop, FailedPayloadReadsEndAbruptly) {
    LogCapture logs;
    FakeStream s;
    s.AddBytes({HC_INIT, 0x02});  // one byte of flags, then the stream breaks
    s.AddFailure();
    EXPECT_EQ(Serve(s), Calls{"stop"});  // the sender is stopped, but no Exiting line
    EXPECT_TRUE(logs.HasForced("PI:Error reading flags"));
    EXPECT_FALSE(logs.Has("HdInvoke:Exiting"));

    RecordingHandler input;
    FakeStream s2;
    s2.AddBytes({HC_KEY});
    s2.AddFailure();
    EXPECT_EQ(Serve(s2, {&input, nullptr, nullptr}), Calls{"stop"});
}

TEST(CommandLoop, KeepAlive) {
    LogCapture logs;
    FakeStream s;
    // silent wait -> ping; the desktop answers; silent again -> ping; other
    // traffic does not clear it; a second silent wait ends the connection.
    s.AddBytes({HC_PING});
    s.AddTimeout();
    s.AddBytes({HC_PONG});
    s.AddTimeout();
    s.AddBytes({77});
    s.AddTimeout();
    s.AddBytes({HC_STOP});  // never reached
    EXPECT_EQ(Serve(s), (Calls{"wake3", "wake2", "wake2", "stop"}));
    EXPECT_TRUE(logs.HasForced("PI:Error ping not returned, MAX_PING timeout reached, exiting"));
    EXPECT_EQ(s.Left(), 1u);
}

TEST(CommandLoop, RoutesServiceCodesAndIgnoresUnknownOnes) {
    RecordingHandler input, tasks, files;
    FakeStream s;
    s.AddBytes({HC_KEY, 0xAA, HC_MOUSE, 0xBB, HC_GETTASKLIST, 1, HC_GETSYSINFO, 2, HC_HD_DIR, 3,
                200, HC_STOP});
    EXPECT_EQ(Serve(s, {&input, &tasks, &files}), (Calls{"wake4", "wake4", "wake4", "stop"}));
    EXPECT_EQ(input.seen,
              (std::vector<std::pair<uint8_t, uint8_t>>{{HC_KEY, 0xAA}, {HC_MOUSE, 0xBB}}));
    EXPECT_EQ(tasks.seen.size(), 2u);
    EXPECT_EQ(files.seen.size(), 1u);

    // Without services the codes are unknown: no payload is read, so the
    // payload byte 0x00 that follows is taken as HC_STOP.
    FakeStream s2;
    s2.AddBytes({HC_KEY, 0x00, 0x0D, 0, 0, 0});
    EXPECT_EQ(Serve(s2), Calls{"stop"});
    EXPECT_EQ(s2.Left(), 4u);
}

}  // namespace
}  // namespace hd
