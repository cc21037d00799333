#include <gtest/gtest.h>

#include "common/SocketStream.h"
#include "desktop/session/ConnectionManager.h"
#include "desktop/session/DesktopChannel.h"
#include "session/SessionFakes.h"

namespace hd::desktop {
namespace {

using hd::test::FakeStream;
using test::FakeRapi;
using test::MemorySettings;
using test::RecordingUi;
using Bytes = std::vector<uint8_t>;

struct Rig {
    Rig() { manager.SetEndPauseMs(0); }
    MemorySettings settings;
    RecordingUi ui;
    FakeRapi rapi;
    ConnectionManager manager{settings, rapi, ui};
};

TEST(Connection, RemoteApiChannelsSendTheirOpeningBytes) {
    Rig r;
    r.settings.connType = 2;  // ActiveSync (Serial)
    FakeStream cmd, scr;
    r.rapi.streams = {&cmd, &scr};
    DesktopChannel command(r.manager, true), screen(r.manager, false);
    ASSERT_TRUE(command.Connect(0x0042, 0, false));
    ASSERT_TRUE(screen.Connect(0x0042, 0, true));
    EXPECT_EQ(cmd.Written(), (Bytes{0x01, 0x42, 0x00, 0, 0, 0, 0}));  // HC_INIT, flags LE, freq BE
    EXPECT_EQ(scr.Written(), (Bytes{0, 0, 0, 0}));                    // freq BE
    EXPECT_EQ(r.rapi.invoked, (std::vector<std::string>{"HdInvoke", "HdScreen"}));
    EXPECT_EQ(r.rapi.inits, 1);  // the second channel shares the link
    EXPECT_EQ(r.manager.LinkCount(), 2);
    EXPECT_EQ(r.ui.waits.front(), "Please Wait ...  ");
    EXPECT_EQ(r.manager.Stats().sent.load(), 11u);

    command.Disconnect(true);
    EXPECT_EQ(cmd.Written().back(), 0x00);  // the end command
    EXPECT_EQ(r.rapi.uninits, 0);           // the screen channel still holds the link
    screen.Disconnect(false);
    EXPECT_EQ(scr.Written().size(), 4u);  // no end byte on the screen channel
    EXPECT_EQ(r.rapi.uninits, 1);
    EXPECT_EQ(r.manager.LinkCount(), 0);
    EXPECT_EQ(r.manager.Stats().sent.load(), 0u);
    EXPECT_EQ(r.manager.Stats().sentTotal.load(), 12u);
    EXPECT_FALSE(r.manager.DisconnectTime().empty());
}

TEST(Connection, RemoteApiStartFailures) {
    Rig r;
    r.rapi.initCall = E_FAIL;
    DesktopChannel command(r.manager, true);
    EXPECT_FALSE(command.Connect(0, 0, false));
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Error initializing Rapi"}));

    Rig r2;
    r2.rapi.initResult = E_FAIL;
    DesktopChannel c2(r2.manager, true);
    EXPECT_FALSE(c2.Connect(0, 0, false));
    EXPECT_EQ(r2.ui.messages, (std::vector<std::string>{"Rapi Initialization failed"}));
    EXPECT_EQ(r2.rapi.uninits, 1);

    Rig r3;  // never finishes: fails without a message
    r3.rapi.signal = false;
    r3.manager.SetInitWaitMs(10);
    DesktopChannel c3(r3.manager, true);
    EXPECT_FALSE(c3.Connect(0, 0, false));
    EXPECT_TRUE(r3.ui.messages.empty());
    EXPECT_EQ(r3.rapi.uninits, 1);
    EXPECT_EQ(r3.manager.LinkCount(), 0);
}

// A listener on a free loopback port that reads what a channel opens with.
struct Loopback {
    Loopback() { EXPECT_TRUE(listener.Listen(0, "127.0.0.1")); }
    std::string Host() const { return "127.0.0.1:" + std::to_string(listener.LocalPort()); }
    Bytes Take(size_t n) {
        if (peer.SocketState() != SocketStream::ACCEPTED) {
            EXPECT_EQ(listener.Accept(peer, 5), 0);
        }
        Bytes b(n);
        uint32_t got = 0;
        EXPECT_EQ(peer.Read(b.data(), uint32_t(n), &got), S_OK);
        return b;
    }
    SocketStream listener, peer;
};

TEST(Connection, TcpChannelsSendThePreambleFirst) {
    struct Case {
        int sensitivity;
        uint16_t flags;
        uint8_t preamble;
    };
    for (Case c :
         {Case{0, 0, 0x00}, Case{1, 0x0002, 0x81}, Case{2, 0x0002, 0x82}, Case{2, 0, 0x02}}) {
        Rig r;
        Loopback device;
        r.settings.connType = 1;  // TCP/IP (LAN)
        r.settings.sensitivity = c.sensitivity;
        r.settings.flags = c.flags | 0x0020;
        r.settings.hosts.hosts = {device.Host()};
        DesktopChannel command(r.manager, true);
        ASSERT_TRUE(command.Connect(r.settings.flags, 0, false));
        EXPECT_EQ(device.Take(8),
                  (Bytes{c.preamble, 0x01, uint8_t(0x20 | c.flags), 0, 0, 0, 0, 0}));
        EXPECT_EQ(r.ui.waits.front(), "Connecting to " + device.Host());
        EXPECT_EQ(r.manager.Stats().sent.load(), 7u);  // the preamble goes straight to the socket
        EXPECT_EQ(r.rapi.inits, 0);
    }
}

TEST(Connection, HostSelection) {
    Rig r;
    r.settings.connType = 3;
    DesktopChannel command(r.manager, true);
    EXPECT_FALSE(command.Connect(0, 0, false));
    EXPECT_EQ(r.ui.messages.back(), "No hosts configured !");
    EXPECT_EQ(r.ui.chooseCalls, 0);

    {  // no typed host, but a device found on the network: picked once
        Loopback found;
        r.ui.found = found.Host();
        ASSERT_TRUE(command.Connect(0, 0, false));
        DesktopChannel screen(r.manager, false);
        ASSERT_TRUE(screen.Connect(0, 0, true));
        EXPECT_EQ(r.ui.chooseCalls, 1);
        EXPECT_EQ(found.Take(8)[1], 0x01);
        command.Disconnect(true);
        screen.Disconnect(false);
        r.manager.ClearCurrentHost();
        r.ui.found.clear();
        r.ui.chooseCalls = 0;
    }

    Loopback a, b;
    r.settings.hosts.hosts = {a.Host(), b.Host()};
    r.ui.choice = 1;
    ASSERT_TRUE(command.Connect(0, 0, false));
    DesktopChannel screen(r.manager, false);
    ASSERT_TRUE(screen.Connect(0, 0, true));  // reuses the choice
    EXPECT_EQ(r.ui.chooseCalls, 1);
    EXPECT_EQ(b.Take(8)[1], 0x01);
    command.Disconnect(true);
    screen.Disconnect(false);

    r.manager.ClearCurrentHost();
    r.ui.choice = -1;  // Cancel
    EXPECT_FALSE(command.Connect(0, 0, false));
    EXPECT_EQ(r.ui.chooseCalls, 2);

    std::string h;
    uint16_t port;
    EXPECT_TRUE(SplitHostPort("pda", h, port));
    EXPECT_EQ(port, kDefaultPort);
    EXPECT_TRUE(SplitHostPort("10.0.0.7:6000", h, port));
    EXPECT_EQ(h, "10.0.0.7");
    EXPECT_EQ(port, 6000);
    EXPECT_FALSE(SplitHostPort("pda:0", h, port));
    EXPECT_FALSE(SplitHostPort("pda:99999", h, port));
    EXPECT_FALSE(SplitHostPort(":5492", h, port));
}

TEST(Connection, RefusedHostLeavesACleanState) {
    Rig r;
    uint16_t port;
    {
        Loopback gone;
        port = gone.listener.LocalPort();
    }
    r.settings.connType = 1;
    r.settings.hosts.hosts = {"127.0.0.1:" + std::to_string(port)};
    DesktopChannel command(r.manager, true);
    EXPECT_FALSE(command.Connect(0, 0, false));
    EXPECT_FALSE(command.IsOpen());
    EXPECT_EQ(r.manager.LinkCount(), 0);
}

TEST(Connection, StreamErrorsTearDownOnceAndKeepTotals) {
    Rig r;
    FakeStream cmd, scr;
    r.rapi.streams = {&cmd, &scr};
    DesktopChannel command(r.manager, true), screen(r.manager, false);
    ASSERT_TRUE(command.Connect(0, 0, false));
    ASSERT_TRUE(screen.Connect(0, 0, true));
    cmd.FailWritesAfter(0);  // the teardown's own end byte fails too
    const uint32_t total = r.manager.Stats().sentTotal;
    EXPECT_FALSE(command.SendKey(25, 0x0D));
    EXPECT_FALSE(command.IsOpen());
    EXPECT_EQ(r.manager.LinkCount(), 1);  // released once, not twice
    EXPECT_EQ(r.manager.Stats().sent.load(), 0u);
    EXPECT_EQ(r.manager.Stats().sentTotal.load(), total);
    EXPECT_EQ(r.manager.Stats().keysTotal.load(), 1u);
    EXPECT_FALSE(r.manager.Teardown().load());

    scr.AddFailure();  // a read failure tears down as well
    uint8_t b;
    EXPECT_EQ(screen.ReadBytes(&b, 1), READ_FAILED);
    EXPECT_FALSE(screen.IsOpen());
    EXPECT_EQ(r.manager.LinkCount(), 0);
    EXPECT_EQ(r.rapi.uninits, 1);
    EXPECT_EQ(screen.ReadBytes(&b, 1), READ_FAILED);  // nothing left to tear down
    EXPECT_EQ(r.rapi.uninits, 1);
}

TEST(Connection, InputCommandsCountAndFrame) {
    Rig r;
    FakeStream cmd;
    r.rapi.streams = {&cmd};
    DesktopChannel command(r.manager, true);
    ASSERT_TRUE(command.Connect(0, 0, false));
    const size_t opening = cmd.Written().size();
    ASSERT_TRUE(command.SendKey(HC_KEY, 0x41));
    ASSERT_TRUE(command.SendKey(HC_SHIFTKEY, 0x41));
    ASSERT_TRUE(command.SendAppButton(0xC1));
    ASSERT_TRUE(command.SendMouse(1, 0x1234, 0xFFFF));
    Bytes w = cmd.Written();
    EXPECT_EQ(
        Bytes(w.begin() + long(opening), w.end()),
        (Bytes{25, 0x41, 0, 0, 0, 26, 0x41, 0, 0, 0, 30, 0xC1, 35, 1, 0x12, 0x34, 0xFF, 0xFF}));
    EXPECT_EQ(r.manager.Stats().keys.load(), 2u);  // HC_KEY and the app button
    EXPECT_EQ(r.manager.Stats().mouse.load(), 1u);
}

}  // namespace
}  // namespace hd::desktop
