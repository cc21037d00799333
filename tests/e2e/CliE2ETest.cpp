// handrel-cli against the real listener and through the local link.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "desktop/session/ScreenImage.h"
#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"

namespace hd {
namespace {

namespace fs = std::filesystem;

struct Cli {
    pid_t pid = -1;
    std::string out;  // file holding stdout and stderr
    int status = -1;

    Cli(const std::vector<std::string>& args, const std::string& dir) {
        out = dir + "/cli.out";
        pid = fork();
        if (pid == 0) {
            int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            std::vector<char*> argv{const_cast<char*>(HANDREL_CLI_PATH)};
            for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            setenv("XDG_STATE_HOME", dir.c_str(), 1);
            execv(HANDREL_CLI_PATH, argv.data());
            _exit(127);
        }
    }
    // The exit code, or -1 when it did not end within the limit.
    int Wait(int ms) {
        for (int i = 0; i < ms / 10; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    std::string Output() const {
        std::ifstream f(out);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    ~Cli() {
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
};

class CliE2E : public ::testing::Test {
protected:
    void SetUp() override {
        dir = (fs::temp_directory_path() /
               ("hd-cli-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
        fs::remove_all(dir);
        fs::create_directories(dir + "/root");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> Base() { return {"--settings", dir + "/settings.conf"}; }
    std::string dir;
};

// The device's screen as a desktop of our own receives it over the listener.
desktop::RgbImage DeviceScreen(uint16_t port) {
    test::Desktop d;
    desktop::RgbImage rgb;
    if (!d.Open(port) || !d.WaitFor(HC_FULLSCREEN, 10000)) return rgb;
    desktop::DecodeScreenImage(d.image.block, size_t(d.image.used), rgb);
    d.cmd.Send({HC_STOP});
    return rgb;
}

// The PNG equals the device's frame, except in the title bar where the clock ticks.
void ExpectScreen(const std::string& png, const desktop::RgbImage& want) {
    QImage img(QString::fromStdString(png));
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.width(), 240);
    ASSERT_EQ(img.height(), 320);
    ASSERT_EQ(want.width, 240);
    int differing = 0;
    for (int y = 24; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            if ((img.pixel(x, y) | 0xFF000000u) != want.pixels[size_t(y) * 240 + size_t(x)])
                ++differing;
    EXPECT_EQ(differing, 0);
}

TEST_F(CliE2E, ScreenshotOverTcpAndTheLocalLink) {
    test::ListenerProcess listener;
    auto args = Base();
    args.insert(args.end(), {"--host", "127.0.0.1:" + std::to_string(listener.Port()), "screenshot",
                             dir + "/tcp.png"});
    Cli tcp(args, dir);
    ASSERT_EQ(tcp.Wait(20000), 0) << tcp.Output();
    const desktop::RgbImage device = DeviceScreen(listener.Port());
    ExpectScreen(dir + "/tcp.png", device);

    args = Base();
    args.insert(args.end(), {"--root", dir + "/root", "screenshot", dir + "/local.png"});
    Cli local(args, dir);
    ASSERT_EQ(local.Wait(20000), 0) << local.Output();
    ExpectScreen(dir + "/local.png", device);  // the same virtual handheld
}

TEST_F(CliE2E, WatchSeesTheClock) {
    auto args = Base();
    args.insert(args.end(), {"--root", dir + "/root", "watch", "3"});
    Cli watch(args, dir);
    ASSERT_EQ(watch.Wait(20000), 0) << watch.Output();
    std::istringstream lines(watch.Output());
    std::string line;
    unsigned frames = 0;
    int count = 0;
    while (std::getline(lines, line))
        if (std::sscanf(line.c_str(), "%*ds frames %u", &frames) == 1) ++count;
    EXPECT_EQ(count, 3);
    EXPECT_GE(frames, 3u);  // the full image, then the clock at least twice
}

TEST_F(CliE2E, RecordWritesAVideoOrSaysWhyNot) {
    auto args = Base();
    args.insert(args.end(), {"--root", dir + "/root", "record", dir + "/screen.mkv", "2"});
    Cli record(args, dir);
    ASSERT_EQ(record.Wait(20000), 0) << record.Output();
    int frames = 0;
    ASSERT_EQ(std::sscanf(record.Output().substr(record.Output().find(": ")).c_str(),
                          ": %d frames, 2 s", &frames),
              1)
        << record.Output();
    EXPECT_GE(frames, 2);  // the first picture and the last again at the end
    EXPECT_GT(fs::file_size(dir + "/screen.mkv"), 1000u);

    args = Base();
    args.insert(args.end(), {"--root", dir + "/root", "record", dir + "/no/such.avi", "2"});
    Cli nowhere(args, dir);
    EXPECT_EQ(nowhere.Wait(20000), 1);
    EXPECT_NE(nowhere.Output().find("cannot record to " + dir + "/no/such.avi"), std::string::npos)
        << nowhere.Output();
}

TEST_F(CliE2E, ListenerGoingAwayEndsTheCli) {
    auto listener = std::make_unique<test::ListenerProcess>();
    auto args = Base();
    args.insert(args.end(),
                {"--host", "127.0.0.1:" + std::to_string(listener->Port()), "watch", "60"});
    Cli watch(args, dir);
    for (int i = 0; i < 500 && watch.Output().find("frames") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const uint16_t port = listener->Port();
    listener.reset();  // SIGTERM: the listener ends and its sockets close
    const int code = watch.Wait(10000);
    EXPECT_TRUE(code == 1 || code == 3) << code << " " << watch.Output();
    EXPECT_NE(watch.Output().find("handrel-cli:"), std::string::npos);

    args = Base();  // nobody listening any more: could not connect
    args.insert(args.end(), {"--host", "127.0.0.1:" + std::to_string(port), "stats"});
    Cli refused(args, dir);
    EXPECT_EQ(refused.Wait(10000), 3);
    Cli usage({"watch"}, dir);
    EXPECT_EQ(usage.Wait(5000), 2);
}

}  // namespace
}  // namespace hd
