// Whole-system tests: the real hdlisten with the real agent on the virtual
// device, driven over loopback as the desktop drives it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>

#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"

namespace hd::test {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes a segment body writes; -1 when an operation runs past the body.
int64_t DecodedLength(const uint8_t* p, size_t n) {
    int64_t out = 0;
    size_t i = 0;
    while (i < n) {
        const uint8_t op = p[i];
        size_t size = op < 0x40 ? 3 : op < 0x80 ? 1 + (op & 0x3F) : op < 0xC0 ? 1 : 6;
        if (i + size > n) return -1;
        if (op < 0x40)
            out += 2 * op;
        else if (op < 0x80)
            out += op & 0x3F;
        else if (op < 0xC0)
            out += op & 0x3F;
        else
            out += 2 * int64_t(get_be32(p + i) & 0x3FFFFFFF);
        i += size;
    }
    return out;
}

void ExpectStoppedCleanly(ListenerProcess& listener) {
    const int status = listener.Stop(3000);
    EXPECT_EQ(ExitCode(status), 0) << "status " << status << "\n" << listener.Output();
    EXPECT_NE(listener.Output().find("hdlisten: stopped"), std::string::npos) << listener.Output();
}

TEST(ListenerE2E, FirstUpdateIsTheWholeScreenThenTheClockSendsDeltas) {
    ListenerProcess listener;
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN) << listener.Output();

    // Delta: total length, then one segment at offset 0 that covers it all.
    const auto& d = desktop.delta;
    ASSERT_GE(d.size(), 12u);
    const uint32_t total = get_be32(d.data());
    EXPECT_EQ(get_be32(d.data() + 4), 0u);
    const uint32_t body = get_be32(d.data() + 8);
    ASSERT_EQ(12u + body, d.size()) << "more than one segment";
    EXPECT_EQ(DecodedLength(d.data() + 12, body), int64_t(total));

    // The image: a BMP file of 240 x 320 16-bit bottom-up rows.
    const uint8_t* bmp = desktop.image.block;
    ASSERT_EQ(uint32_t(desktop.image.used), total);
    ASSERT_GE(total, 54u);
    EXPECT_EQ(std::memcmp(bmp, "BM", 2), 0);
    EXPECT_EQ(get_le32(bmp + 2), total);  // file size
    EXPECT_EQ(get_le32(bmp + 18), 240u);  // width
    EXPECT_EQ(get_le32(bmp + 22), 320u);  // height, positive: bottom-up
    EXPECT_EQ(get_le16(bmp + 28), 16u);   // bits per pixel

    // The virtual device's clock changes the screen: a partial update follows.
    ASSERT_TRUE(desktop.WaitFor(HC_DELTASCREEN, 2500));
    EXPECT_EQ(uint32_t(desktop.image.used), total);
    EXPECT_NE(desktop.previous, std::vector<uint8_t>(bmp, bmp + total));
    ExpectStoppedCleanly(listener);
}

TEST(ListenerE2E, PingIsAnsweredAndStopEndsBothChannels) {
    ListenerProcess listener;
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    // The sender takes wake requests only once it runs, as on the device.
    ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN);
    ASSERT_TRUE(desktop.cmd.Send({HC_PING}));
    EXPECT_TRUE(desktop.WaitFor(HC_PONG, 2000));
    ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
    EXPECT_TRUE(desktop.WaitFor(HC_STOP, 2000));
    EXPECT_TRUE(desktop.screen.WaitClosed(2000));
    EXPECT_TRUE(desktop.cmd.WaitClosed(2000));
    ExpectStoppedCleanly(listener);
}

// Every other desktop opens its command channel without HC_INIT: the
// listener pairs the channels by their order all the same.
TEST(ListenerE2E, ThirtyConnectionsInARowWithAndWithoutInit) {
    ListenerProcess listener;
    const auto start = Clock::now();
    for (int i = 0; i < 30; ++i) {
        const bool init = i % 2 == 0;
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port(), 0, 0, 0, init)) << "connection " << i;
        ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN) << "connection " << i << listener.Output();
        ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
        ASSERT_TRUE(desktop.WaitFor(HC_STOP, 2000)) << "connection " << i;
        ASSERT_TRUE(desktop.screen.WaitClosed(2000)) << "connection " << i;
    }
    // About 0.2 s a connection; a second each would mean a thread left to time out.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
    ExpectStoppedCleanly(listener);
}

// A command channel that sends no HC_INIT is served in full: the whole
// screen, a ping, and a command answered on the command channel.
TEST(ListenerE2E, ACommandChannelWithoutInitIsServed) {
    ListenerProcess listener;
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port(), 0, 0, 0, false));
    ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN) << listener.Output();
    ASSERT_TRUE(desktop.cmd.Send({HC_PING}));
    EXPECT_TRUE(desktop.WaitFor(HC_PONG, 2000));
    ASSERT_TRUE(desktop.cmd.Send({HC_GETSYSINFO}));
    uint8_t info[4 + 244];
    ASSERT_TRUE(desktop.cmd.ReadExact(info, sizeof info, 3000)) << listener.Output();
    EXPECT_EQ(get_be32(info), 244u);
    EXPECT_EQ(get_le16(info + 4 + 232), 240);  // the screen's width
    ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
    EXPECT_TRUE(desktop.WaitFor(HC_STOP, 2000));
    ExpectStoppedCleanly(listener);
}

TEST(ListenerE2E, GarbageCostsOnlyItsOwnConnection) {
    ListenerProcess listener;
    // Each desktop waits for its first update, so that the garbage reaches a
    // running sender (a stop before the sender runs is the agent's own case).
    {  // a packed transfer announcing 2 GiB, then the desktop goes away
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port()));
        ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN);
        ASSERT_TRUE(
            desktop.cmd.Send({HC_SET_CLIPTEXT, 0x7F, 0xFF, 0xFF, 0xF0, 0x7F, 0xFF, 0xFF, 0xF0}));
        desktop.cmd.Close();
        EXPECT_TRUE(desktop.screen.WaitClosed(3000));
    }
    {  // bytes that mean nothing, then the desktop goes away
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port()));
        ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN);
        std::vector<uint8_t> junk(4096);
        uint32_t x = 12345;
        for (auto& b : junk) b = uint8_t((x = x * 1103515245 + 12345) >> 16);
        desktop.cmd.Send(junk.data(), junk.size());
        desktop.cmd.Close();
        EXPECT_TRUE(desktop.screen.WaitClosed(3000));
    }
    {  // an odd preamble and the largest refresh interval
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port(), 0xFF, 0, 0xFFFFFFFF));
        EXPECT_EQ(desktop.Next(3000), HC_FULLSCREEN);
        ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
        EXPECT_TRUE(desktop.WaitFor(HC_STOP, 3000));
    }
    ASSERT_TRUE(listener.Running()) << listener.Output();
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    EXPECT_EQ(desktop.Next(3000), HC_FULLSCREEN);
    ExpectStoppedCleanly(listener);
}

TEST(ListenerE2E, AScreenThreadLeftRunningIsEndedAndJoined) {
    ListenerProcess listener;
    {
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port()));
        ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN);
        // A key command without its payload: HdInvoke returns at once and
        // leaves the sender running; the listener must still end the channel.
        ASSERT_TRUE(desktop.cmd.Send({HC_KEY}));
        desktop.cmd.Close();
        EXPECT_TRUE(desktop.screen.WaitClosed(4000));
    }
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    EXPECT_EQ(desktop.Next(3000), HC_FULLSCREEN);
    ExpectStoppedCleanly(listener);
}

TEST(ListenerE2E, SilentDesktopIsPingedThenDropped) {
    ListenerProcess listener(ListenerProcess::Env{{"HANDREL_READ_WAIT_MS", "300"}});
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    // The desktop reads its screen channel but never writes again.
    EXPECT_TRUE(desktop.WaitFor(HC_PING, 2000));
    EXPECT_TRUE(desktop.WaitFor(HC_STOP, 2000));
    EXPECT_TRUE(desktop.screen.WaitClosed(2000));
    EXPECT_NE(
        listener.DeviceLog().find("PI:Error ping not returned, MAX_PING timeout reached, exiting"),
        std::string::npos);
    ExpectStoppedCleanly(listener);
}

TEST(ListenerE2E, SigtermEndsTheListenerCleanlyWhereverItWaits) {
    {  // the first accept
        ListenerProcess listener;
        Desktop probe;  // connects once it listens, so the signal finds it waiting
        ASSERT_TRUE(probe.cmd.Connect(listener.Port()));
        probe.cmd.Close();
        ExpectStoppedCleanly(listener);
    }
    {  // the second accept, which waits without limit
        ListenerProcess listener;
        Peer cmd;
        ASSERT_TRUE(cmd.Connect(listener.Port()));
        ASSERT_TRUE(cmd.Send({0}));
        ExpectStoppedCleanly(listener);
        EXPECT_TRUE(cmd.WaitClosed(1000));
    }
    {  // a running connection
        ListenerProcess listener;
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port()));
        ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN);
        ExpectStoppedCleanly(listener);
        EXPECT_TRUE(desktop.screen.WaitClosed(1000));
    }
}

TEST(ListenerE2E, BadOptionsExitWithUsage) {
    ListenerProcess listener({}, {"--port", "abc"});
    EXPECT_EQ(ExitCode(listener.WaitExit(3000)), 2);
    EXPECT_NE(listener.Output().find("usage: hdlisten"), std::string::npos) << listener.Output();
}

// The two attacks seen on the device: a connection that sends its preamble
// and nothing more, and one that sends nothing. The desktop that comes next
// is served at once, on its own two channels; the strangers are closed.
TEST(ListenerE2E, StrangersCannotWedgeTheHandshake) {
    ListenerProcess listener;
    Peer preambleOnly, silent;
    ASSERT_TRUE(preambleOnly.Connect(listener.Port()));
    ASSERT_TRUE(preambleOnly.Send({0}));
    ASSERT_TRUE(silent.Connect(listener.Port()));
    const auto begin = Clock::now();
    {
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port()));
        ASSERT_EQ(desktop.Next(3000), HC_FULLSCREEN) << listener.Output();
        EXPECT_LT(Clock::now() - begin, std::chrono::seconds(3));
        EXPECT_TRUE(preambleOnly.WaitClosed(1000));
        EXPECT_TRUE(silent.WaitClosed(1000));
        ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
        EXPECT_TRUE(desktop.screen.WaitClosed(3000));
    }
    // Strangers that come while no desktop is there expire by themselves.
    Peer late;
    ASSERT_TRUE(late.Connect(listener.Port()));
    ASSERT_TRUE(late.Send({0}));
    EXPECT_TRUE(late.WaitClosed(8000));
    EXPECT_NE(listener.DeviceLog().find("CM::Start:Incomplete connection from 127.0.0.1"),
              std::string::npos)
        << listener.DeviceLog();
    ExpectStoppedCleanly(listener);
}

// A backend that hands the whole machine over listens on loopback unless
// told, and says how to open it up.
TEST(ListenerE2E, MachineBackendsListenOnLoopbackByDefault) {
    ListenerProcess listener({}, {"--port", ListenerProcess::kPortArg, "--device", "linux",
                                  "--root", ListenerProcess::kRootArg});
    Peer probe;
    ASSERT_TRUE(probe.Connect(listener.Port()));
    const std::string out = listener.Output();
    EXPECT_NE(out.find("listening on 127.0.0.1:" + std::to_string(listener.Port())),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("hdlisten --device linux --allow ADDR[/BITS]"), std::string::npos) << out;
    probe.Close();
    ExpectStoppedCleanly(listener);
}

TEST(ListenerE2E, AllowRefusesEveryOtherPeer) {
    ListenerProcess listener({}, {"--port", ListenerProcess::kPortArg, "--allow", "10.20.0.0/16",
                                  "--device", "virtual", "--root", ListenerProcess::kRootArg});
    const uint16_t port = listener.Port();
    Peer refused;
    ASSERT_TRUE(refused.Connect(port));
    EXPECT_TRUE(refused.WaitClosed(2000));
    EXPECT_NE(listener.Output().find("listening on 0.0.0.0:" + std::to_string(port)),
              std::string::npos)
        << listener.Output();
    const std::string log = listener.DeviceLog();
    EXPECT_NE(log.find("CM::Start:Refused connection from 127.0.0.1, not in the allow list"),
              std::string::npos)
        << log;
    ExpectStoppedCleanly(listener);
}

}  // namespace
}  // namespace hd::test
