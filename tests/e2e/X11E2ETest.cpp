// The X11 device end to end: hdlisten --device x11 on a private Xvfb with a
// window manager; the desktop's screenshot is the X server's own image of the
// root window, and input and the task list reach the real client.
// GoogleTest and Qt before Xlib, whose macros (None, Bool, Status) clash
// with their names.
#include <gtest/gtest.h>

#include <QImage>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"
#include "platform/XvfbServer.h"

namespace hd::test {
namespace {

namespace fs = std::filesystem;

// handrel-cli with its output in a file; the exit code, or -1 past the limit.
int RunCli(const std::vector<std::string>& args, const std::string& dir, std::string& output) {
    const std::string out = dir + "/cli.out";
    std::vector<std::string> all = {HANDREL_CLI_PATH, "--settings", dir + "/settings.conf"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string state = "XDG_STATE_HOME=" + dir;
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        putenv(const_cast<char*>(state.c_str()));
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = -1, code = -1;
    for (int i = 0; i < 2000; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            code = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (code == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::ifstream f(out);
    std::stringstream s;
    s << f.rdbuf();
    output = s.str();
    return code;
}

std::vector<uint8_t> Command(uint8_t code, std::vector<uint8_t> payload = {}) {
    payload.insert(payload.begin(), code);
    return payload;
}

std::vector<uint8_t> Mouse(uint8_t type, int x, int y, int width, int height) {
    std::vector<uint8_t> m(5);
    m[0] = type;
    put_be16(m.data() + 1, uint16_t((2 * x + 1) * 65536 / (2 * width)));
    put_be16(m.data() + 3, uint16_t((2 * y + 1) * 65536 / (2 * height)));
    return Command(HC_MOUSE, m);
}

bool Send(Desktop& desktop, const std::vector<uint8_t>& bytes) {
    return desktop.cmd.Send(bytes.data(), bytes.size());
}

bool WaitOutput(ListenerProcess& listener, const std::string& text) {
    for (int i = 0; i < 300; ++i) {
        if (listener.Output().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class X11E2E : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
        char name[] = "/tmp/hd-x11-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }
    // hdlisten with the given device on the display, on a port of its own.
    std::unique_ptr<ListenerProcess> Listen(const std::string& display, const std::string& device) {
        port = FreePort();
        return std::make_unique<ListenerProcess>(
            ListenerProcess::Env{{"DISPLAY", display}},
            std::vector<std::string>{"--port", std::to_string(port), "--bind", "127.0.0.1",
                                     "--device", device, "--root", dir + "/root"});
    }

    std::string dir;
    uint16_t port = 0;
};

TEST_F(X11E2E, TheDesktopSeesAndDrivesTheDisplay) {
    XvfbServer server("640x480x24", true);
    ASSERT_TRUE(server.Started()) << server.Error();
    TestClient client(server.Display(), {"--title", "Handrel e2e", "--geometry", "300x200+50+60",
                                         "--fill", "0,0,300,200,336699", "--fill",
                                         "20,30,100,50,FFCC00", "--fill", "150,100,80,80,CC3366"});
    const unsigned long window = client.WaitReady();
    ASSERT_NE(window, 0u);
    auto listener = Listen(server.Display(), "x11");
    ASSERT_TRUE(WaitOutput(*listener, "listening")) << listener->Output();
    const std::string out = listener->Output();
    EXPECT_NE(out.find("device x11"), std::string::npos) << out;
    EXPECT_NE(out.find("warning: anyone who can reach port " + std::to_string(port) +
                       " controls the X display " + server.Display()),
              std::string::npos)
        << out;

    {
        Desktop desktop;
        ASSERT_TRUE(desktop.Open(port));
        ASSERT_EQ(desktop.Next(5000), HC_FULLSCREEN) << listener->Output();
        EXPECT_EQ(get_le32(desktop.image.block + 18), 640u);

        // A tap inside the window lands where the window shows that pixel.
        ::Display* d = XOpenDisplay(server.Display().c_str());
        ASSERT_NE(d, nullptr);
        int wx = 0, wy = 0;
        Window child;
        XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &wx, &wy, &child);
        XCloseDisplay(d);
        EXPECT_TRUE(Send(desktop, Mouse(0, wx + 40, wy + 25, 640, 480)));
        EXPECT_TRUE(Send(desktop, Mouse(1, wx + 40, wy + 25, 640, 480)));
        EXPECT_EQ(client.WaitLine("button press", 3000), "button press 1 40 25");
        EXPECT_EQ(client.WaitLine("button release", 3000), "button release 1 40 25");
        std::vector<uint8_t> key(4);
        put_le32(key.data(), 'A');
        EXPECT_TRUE(Send(desktop, Command(HC_SHIFTKEY, key)));
        EXPECT_EQ(client.WaitLine("key press 38", 3000), "key press 38 0x41 1");

        // The task list names the client's window.
        EXPECT_TRUE(desktop.cmd.Send({HC_GETTASKLIST}));
        uint8_t head[5];
        ASSERT_TRUE(desktop.cmd.ReadExact(head, 5, 5000));
        std::vector<uint8_t> records(get_be32(head) - 1);
        ASSERT_TRUE(desktop.cmd.ReadExact(records.data(), uint32_t(records.size()), 5000));
        bool found = false;
        for (size_t i = 0; i + 292 <= records.size(); i += 292) {
            if (get_le32(records.data() + i + 4) != uint32_t(client.Pid())) continue;
            found = true;
            EXPECT_EQ(get_le32(records.data() + i + 32), uint32_t(window));
            std::string title;
            for (size_t u = 0; u < 64 && records[i + 164 + 2 * u]; ++u)
                title += char(records[i + 164 + 2 * u]);
            EXPECT_EQ(title, "Handrel e2e");
        }
        EXPECT_TRUE(found);
    }

    // The screenshot, then the server's own image of the root window. The
    // listener listens again once the agent of the last connection is gone.
    std::string output;
    int code = -1;
    for (int attempt = 0; attempt < 25 && code != 0; ++attempt) {
        if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        code =
            RunCli({"--host", "127.0.0.1:" + std::to_string(port), "screenshot", dir + "/shot.png"},
                   dir, output);
    }
    ASSERT_EQ(code, 0) << output << listener->Output();
    ::Display* d = XOpenDisplay(server.Display().c_str());
    ASSERT_NE(d, nullptr);
    XImage* root = XGetImage(d, DefaultRootWindow(d), 0, 0, 640, 480, AllPlanes, ZPixmap);
    ASSERT_NE(root, nullptr);
    QImage shot(QString::fromStdString(dir + "/shot.png"));
    ASSERT_EQ(shot.width(), 640);
    ASSERT_EQ(shot.height(), 480);
    int differing = 0, coloured = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const unsigned long p = XGetPixel(root, x, y);  // 8-8-8 in the low 24 bits
            const QRgb s = shot.pixel(x, y);
            const bool same = (qRed(s) >> 3) == int(p >> 19 & 0x1F) &&
                              (qGreen(s) >> 3) == int(p >> 11 & 0x1F) &&
                              (qBlue(s) >> 3) == int(p >> 3 & 0x1F);
            differing += !same;
            coloured += (p & 0xFFFFFF) == 0xFFCC00;
        }
    XDestroyImage(root);
    XCloseDisplay(d);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(coloured, 100 * 50) << "the client's yellow rectangle is on screen";
}

TEST_F(X11E2E, AutoPicksTheDisplayWhenOneOpens) {
    XvfbServer server("320x240x16");
    ASSERT_TRUE(server.Started()) << server.Error();
    auto listener = Listen(server.Display(), "auto");
    EXPECT_TRUE(WaitOutput(*listener, "device x11 (auto)")) << listener->Output();
    listener.reset();
    auto without = Listen(":98765", "auto");
    EXPECT_TRUE(WaitOutput(*without, "listening")) << without->Output();
    EXPECT_EQ(without->Output().find("device x11"), std::string::npos) << without->Output();
}

}  // namespace
}  // namespace hd::test
