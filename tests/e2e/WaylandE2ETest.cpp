// The Wayland device end to end: hdlisten on a private headless sway, found
// by --device auto; the desktop's screenshot is grim's image of the output,
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

TEST(WaylandE2E, TheScreenshotIsGrimsImagePixelForPixel) {
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

    GrimImage grim;
    {
        // auto finds the compositor through WAYLAND_DISPLAY alone.
        ListenerProcess listener({{"WAYLAND_DISPLAY", sway.Socket()}, {"DISPLAY", ""}},
                                 {"--port", ListenerProcess::kPortArg, "--bind", "127.0.0.1",
                                  "--no-announce", "--root", ListenerProcess::kRootArg});
        const std::string port = std::to_string(listener.Port());
        ASSERT_TRUE(WaitOutput(listener, "listening")) << listener.Output();
        EXPECT_NE(listener.Output().find("device wayland (auto)"), std::string::npos)
            << listener.Output();
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

        // The window's line in the task list: its index, then the kill.
        run = cli({"ps"});
        ASSERT_EQ(run.code, 0) << run.out;
        const size_t at = run.out.find("Handrel e2e");
        ASSERT_NE(at, std::string::npos) << run.out;
        const size_t line = run.out.rfind('\n', at) + 1;
        EXPECT_NE(run.out.substr(line, at - line).find("wayland_test_client"), std::string::npos)
            << run.out;
        const std::string index = std::to_string(std::stoi(run.out.substr(line)));
        // Grim's image comes first: the kill ends the drawing.
        ASSERT_EQ(GrimCapture(sway, grim), "");
        run = cli({"kill", "--yes", index});
        EXPECT_EQ(run.code, 0) << run.out;
        EXPECT_TRUE(client.WaitExit(3000));
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
