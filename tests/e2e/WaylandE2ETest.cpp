// The Wayland device end to end: hdlisten on a private headless sway (found
// by --device auto too); the desktop's screenshot is grim's image of the output,
// pixel for pixel, the client's window is listed and killed, and clipboard
// text goes through the compositor.
#include <gtest/gtest.h>

#include <QImage>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "agent/platform/wayland/WaylandClipboard.h"
#include "agent/platform/x11/X11Text.h"
#include "e2e/CliProcess.h"
#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"
#include "platform/SwayServer.h"
#include "platform/XvfbServer.h"

namespace hd::test {
namespace {

namespace fs = std::filesystem;

bool WaitOutput(ListenerProcess& listener, const std::string& text) {
    for (int i = 0; i < 300; ++i) {
        if (listener.Output().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(WaylandE2E, TheDesktopSeesAndDrivesTheCompositor) {
    if (!HaveSway()) GTEST_SKIP() << kNoSway;
    char name[] = "/tmp/hd-wl-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::string dir = name;
    SwayServer sway("640x480");
    ASSERT_TRUE(sway.Started()) << sway.Error();
    TestClient client({WAYLAND_TEST_CLIENT, sway.ClientEnv()},
                      {"--title", "Handrel e2e", "--fill", "0,0,640,480,336699", "--fill",
                       "20,30,100,50,FFCC00", "--fill", "150,100,80,80,CC3366"});
    ASSERT_FALSE(client.WaitLine("configured 640 480", 5000).empty());

    const ListenerProcess::Env env = {{"WAYLAND_DISPLAY", sway.Socket()}, {"DISPLAY", ""}};
    {
        // auto finds the compositor through WAYLAND_DISPLAY alone.
        ListenerProcess listener(env, {"--port", ListenerProcess::kPortArg, "--no-announce",
                                       "--root", ListenerProcess::kRootArg});
        ASSERT_TRUE(WaitOutput(listener, "listening")) << listener.Output();
        EXPECT_NE(listener.Output().find("device wayland (auto)"), std::string::npos)
            << listener.Output();
        EXPECT_NE(listener.Output().find("listening on 127.0.0.1:"), std::string::npos)
            << "the compositor is handed over on loopback only";
    }
    GrimImage grim;
    {
        ListenerProcess listener(env, {"--port", ListenerProcess::kPortArg, "--device", "wayland",
                                       "--no-announce", "--root", ListenerProcess::kRootArg});
        const std::string port = std::to_string(listener.Port());
        ASSERT_TRUE(WaitOutput(listener, "listening")) << listener.Output();
        CliRun run;
        for (int attempt = 0; attempt < 25 && run.code != 0; ++attempt) {
            if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(200));
            run = RunCli({"--host", "127.0.0.1:" + port, "screenshot", dir + "/shot.png"}, dir);
        }
        ASSERT_EQ(run.code, 0) << run.out << listener.Output();

        const std::vector<std::string> host = {"--host", "127.0.0.1:" + port};
        auto cli = [&](std::vector<std::string> args, const std::string& input = "") {
            args.insert(args.begin(), host.begin(), host.end());
            return RunCli(args, dir, input);
        };
        // Text a device-side client copied reaches the desktop. (What the
        // desktop sets stays the selection while its connection lasts; the
        // platform test reads it back from another client.)
        auto user = platform::WaylandClipboard::Open(sway.Socket().c_str());
        ASSERT_TRUE(user);
        const std::vector<uint8_t> copied = platform::Utf8ToUtf16Le("Grüße, 5 €");
        ASSERT_TRUE(user->SetUnicodeText(copied.data(), copied.size()));
        run = cli({"clip", "get"});
        EXPECT_EQ(run.code, 0) << run.out;
        EXPECT_NE(run.out.find("Grüße, 5 €"), std::string::npos) << run.out;
        EXPECT_EQ(cli({"clip", "set", "from the desktop"}).code, 0);

        // The task list names the client's window; its kill (by the index of
        // the same connection's list) closes it. Grim's image comes first.
        ASSERT_EQ(GrimCapture(sway, grim), "");
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(listener.Port()));
        ASSERT_TRUE(desktop.cmd.Send({HC_GETTASKLIST}));
        uint8_t head[5];
        ASSERT_TRUE(desktop.cmd.ReadExact(head, 5, 5000));
        std::vector<uint8_t> records(get_be32(head) - 1);
        ASSERT_TRUE(desktop.cmd.ReadExact(records.data(), uint32_t(records.size()), 5000));
        int index = -1;
        for (size_t i = 0; i + 292 <= records.size(); i += 292) {
            if (get_le32(records.data() + i + 4) != uint32_t(client.Pid())) continue;
            index = int(i / 292);
            EXPECT_NE(get_le32(records.data() + i + 32), 0u) << "the window's handle";
            std::string title;
            for (size_t u = 0; u < 64 && records[i + 164 + 2 * u]; ++u)
                title += char(records[i + 164 + 2 * u]);
            EXPECT_EQ(title, "Handrel e2e");
        }
        ASSERT_GE(index, 0);
        ASSERT_TRUE(desktop.cmd.Send({HC_KILLTASK, uint8_t(index)}));
        EXPECT_TRUE(client.WaitExit(3000)) << listener.Output();
        ASSERT_TRUE(desktop.cmd.ReadExact(head, 5, 5000));
        ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
    }
    QImage shot(QString::fromStdString(dir + "/shot.png"));
    ASSERT_EQ(shot.width(), grim.width);
    ASSERT_EQ(shot.height(), grim.height);
    int differing = 0, coloured = 0;
    for (int y = 0; y < grim.height; ++y)
        for (int x = 0; x < grim.width; ++x) {
            const uint8_t* p = &grim.rgb[(size_t(y) * size_t(grim.width) + size_t(x)) * 3];
            const QRgb s = shot.pixel(x, y);
            const bool differs = (qRed(s) >> 3) != (p[0] >> 3) || (qGreen(s) >> 3) != (p[1] >> 3) ||
                                 (qBlue(s) >> 3) != (p[2] >> 3);
            if (differs && differing++ == 0)
                ADD_FAILURE() << "first difference at " << x << "," << y;
            coloured += p[0] == 0xFF && p[1] == 0xCC && p[2] == 0x00;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(coloured, 100 * 50) << "grim sees the client's drawing";
    fs::remove_all(dir);
}

}  // namespace
}  // namespace hd::test
