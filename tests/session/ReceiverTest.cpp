#include <gtest/gtest.h>
#include <zlib.h>

#include "common/ByteOrder.h"
#include "common/ExtendedUpdate.h"
#include "common/UpdateStream.h"
#include "desktop/session/ScreenReceiver.h"
#include "session/SessionFakes.h"

namespace hd::desktop {
namespace {

using hd::test::FakeStream;
using hd::test::LogCapture;
using Bytes = std::vector<uint8_t>;

// A screen update packet: command, C, D, zlib of the delta.
Bytes Packet(uint8_t command, const Bytes& delta) {
    uLongf c = compressBound(delta.size());
    Bytes p(9 + c);
    compress2(p.data() + 9, &c, delta.data(), delta.size(), 1);
    p[0] = command;
    put_be32(p.data() + 1, uint32_t(c));
    put_be32(p.data() + 5, uint32_t(delta.size()));
    p.resize(9 + c);
    return p;
}

// Total length 8, one segment at offset 0: a copy of 8 bytes.
Bytes FullDelta(uint8_t fill) {
    return {0, 0,    0,    8,    0,    0,    0,    0,    0,    0,   0,
            9, 0x48, fill, fill, fill, fill, fill, fill, fill, fill};
}

struct Counter : ScreenView {
    void FrameReady(const uint8_t* p, size_t n) override { last.assign(p, p + n); }
    Bytes last;
};

struct ReceiverRig {
    ReceiverRig() {
        manager.SetEndPauseMs(0);
        rapi.streams = {&command, &screen};
        EXPECT_TRUE(cmd.Connect(0, 0, false));
    }
    test::MemorySettings settings;
    test::RecordingUi ui;
    test::FakeRapi rapi;
    ConnectionManager manager{settings, rapi, ui};
    FakeStream command, screen;
    DesktopChannel cmd{manager, true};
};

TEST(Receiver, AppliesUpdatesAnswersPingsAndStopsOnABadByte) {
    LogCapture logs;
    ReceiverRig rig;
    ScreenReceiver r(rig.manager, rig.cmd);
    Counter view;
    rig.screen.AddBytes(Packet(HC_FULLSCREEN, FullDelta(0x11)));
    rig.screen.AddBytes({HC_PING});
    // A segment that would write past the 8-byte image: skipped, stream in step.
    rig.screen.AddBytes(
        Packet(HC_DELTASCREEN, {0, 0, 0, 8, 0, 0, 0, 6, 0, 0, 0, 3, 0x42, 1, 2, 0x41}));
    rig.screen.AddBytes(Packet(HC_DELTASCREEN, {0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 2, 0x41, 0x77}));
    rig.screen.AddBytes({7, HC_STOP});
    const size_t opening = rig.command.Written().size();
    ASSERT_TRUE(r.Start(&view, 0));
    for (int i = 0; i < 200 && r.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(r.Running());
    EXPECT_EQ(view.last, (Bytes{0x11, 0x11, 0x77, 0x11, 0x11, 0x11, 0x11, 0x11}));
    EXPECT_EQ(r.Frames(), 2u);
    Bytes w = rig.command.Written();
    EXPECT_EQ(Bytes(w.begin() + long(opening), w.end()), Bytes{HC_PONG});  // one pong
    EXPECT_TRUE(logs.Has("R::Receive:Invalid command 7 received"));
    EXPECT_TRUE(logs.Has("R::ProcessDeltas:Error"));
    EXPECT_EQ(rig.screen.Left(), 1u);  // the HC_STOP after the bad byte is never read
    r.Stop();
    EXPECT_EQ(r.Frames(), 0u);
    EXPECT_EQ(rig.manager.LinkCount(), 1);  // the command channel's share remains
}

// Extended packets are read only after the offer: a receiver that offered
// applies them (the stream running on from packet to packet, copies before
// segments); one that did not takes 52 for an invalid command.
TEST(Receiver, ReadsExtendedUpdatesOnlyWhenOffered) {
    for (const bool offered : {true, false}) {
        LogCapture logs;
        ReceiverRig rig;
        ScreenReceiver r(rig.manager, rig.cmd);
        Counter view;
        UpdateCompressor stream;
        auto packet = [&](const Bytes& update) {
            Bytes p(9 + UpdateCompressor::Bound(update.size()));
            const size_t c =
                stream.Compress(update.data(), update.size(), p.data() + 9, p.size() - 9);
            p[0] = HC_EXTSCREEN;
            put_be32(p.data() + 1, uint32_t(c));
            put_be32(p.data() + 5, uint32_t(update.size()));
            p.resize(9 + c);
            return p;
        };
        // T = 8, no copies, one segment of 8 bytes at 0.
        Bytes full = {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 1, 2, 3, 4, 5, 6, 7, 8};
        // T = 8, one copy of bytes 0..3 onto 2..5, then byte 7 = 9.
        Bytes moved(kExtHeaderSize + kExtCopySize);
        put_be32(moved.data(), 8);
        put_be16(moved.data() + 4, 1);
        PutRowCopy(moved.data() + 6, RowCopy{0, 2, 4, 1, 8});
        moved.insert(moved.end(), {0, 0, 0, 7, 0, 0, 0, 1, 9});
        rig.screen.AddBytes(packet(full));
        rig.screen.AddBytes(packet(moved));
        rig.screen.AddBytes({HC_STOP});
        ASSERT_TRUE(r.Start(&view, offered ? INIT_EXT_SCREEN : 0));
        for (int i = 0; i < 200 && r.Running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(r.Running());
        if (offered) {
            EXPECT_EQ(view.last, (Bytes{1, 2, 1, 2, 3, 4, 7, 9}));
            EXPECT_EQ(r.Frames(), 2u);
        } else {
            EXPECT_TRUE(view.last.empty());
            EXPECT_TRUE(logs.Has("R::Receive:Invalid command 34 received"));
        }
        r.Stop();
    }
}

TEST(Receiver, SilentDeviceIsPingedThenDisconnected) {
    LogCapture logs;
    ReceiverRig rig;
    ScreenReceiver r(rig.manager, rig.cmd);
    rig.screen.AddTimeout();
    rig.screen.AddBytes({HC_PONG});
    rig.screen.AddTimeout();
    rig.screen.AddTimeout();
    ASSERT_TRUE(r.Start(nullptr, 0));
    for (int i = 0; i < 200 && r.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(r.Running());
    Bytes w = rig.command.Written();
    EXPECT_EQ(std::count(w.begin(), w.end(), HC_PING), 2);
    EXPECT_EQ(rig.ui.messages,
              (std::vector<std::string>{"No response from device, disconnecting ..."}));
    EXPECT_EQ(rig.ui.disconnectRequests, 1);
    EXPECT_TRUE(logs.Has("R::Receive:Error ping not returned, exiting"));
    r.Stop();
}

TEST(Receiver, HugeAnnouncedLengthsEndTheThreadWithoutAllocating) {
    LogCapture logs;
    ReceiverRig rig;
    ScreenReceiver r(rig.manager, rig.cmd);
    rig.screen.AddBytes({HC_FULLSCREEN, 0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 4});
    ASSERT_TRUE(r.Start(nullptr, 0));
    for (int i = 0; i < 200 && r.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(r.Running());
    EXPECT_TRUE(logs.Has("R::Receive:Error reading compressed data from stream"));
    r.Stop();
}

}  // namespace
}  // namespace hd::desktop
