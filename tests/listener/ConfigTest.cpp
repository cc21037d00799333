#include "listener/Config.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "listener/Options.h"
#include "listener/ServiceAnnouncer.h"

namespace hd {
namespace {

TEST(ConfigTest, LogValueIsTheDecimalTextOfTheLogLine) {
    const std::string longest = std::string(kLogValueMax - 1, '0') + "1";
    const struct {
        std::string text;
        long value;
    } cases[] = {
        {"Log=1\n", 1},
        {"Log=0\n", 0},
        {"Log=\n", 0},
        {"[General]\r\nlog = 12\r\n", 12},    // sections, spaces, CRLF, any case
        {"LogLevel=5\n; Log=7\nLog=3\n", 3},  // other names and comments skipped
        {"Log=abc\n", 0},
        {"Log=4x", 4},
        {"Other=1", 0},
        {"Log=" + longest, 1},        // 200 bytes is still read
        {"Log=" + longest + "1", 0},  // 201 bytes is not
    };
    for (const auto& c : cases) EXPECT_EQ(ParseLogValue(c.text), c.value) << c.text;
}

TEST(ConfigTest, SettingsFileIsFoundThroughXdgConfigHome) {
    char dir[] = "/tmp/hdlisten-config-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("XDG_CONFIG_HOME", dir, 1);
    const std::string path = LogSettingsPath();
    EXPECT_EQ(path, std::string(dir) + "/Orvenna Handrel.conf");
    long value = -1;
    EXPECT_EQ(ReadLogValue(path, value), ENOENT);
    EXPECT_EQ(value, 0);
    FILE* f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("[General]\nLog=1\n", f);
    fclose(f);
    EXPECT_EQ(ReadLogValue(path, value), 0);
    EXPECT_EQ(value, 1);
    unlink(path.c_str());
    rmdir(dir);
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(LogSettingsPath(), "/etc/xdg/Orvenna Handrel.conf");
    unsetenv("XDG_CONFIG_HOME");
}

TEST(ConfigTest, OptionsAreCheckedBeforeUse) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions(
        {"--port", "6000", "--bind=127.0.0.1", "--device", "virtual", "--root", "/tmp/r", "--log"},
        o, error));
    EXPECT_EQ(o.port, 6000);
    EXPECT_EQ(o.bindAddr, "127.0.0.1");
    EXPECT_EQ(o.device, "virtual");
    EXPECT_EQ(o.root, "/tmp/r");
    EXPECT_TRUE(o.log);
    EXPECT_TRUE(o.announce);
    ASSERT_TRUE(ParseOptions({"--no-announce"}, o, error));
    EXPECT_FALSE(o.announce);
    const std::vector<std::vector<std::string>> bad = {
        {"--port"},          {"--port", "0"},     {"--port", "65536"},
        {"--port", "12ab"},  {"--bind", "1.2.3"}, {"--device", "tty"},
        {"--root="},         {"--log=1"},         {"-x"},
        {"--no-announce=0"},
    };
    for (const auto& args : bad) {
        Options b;
        error.clear();
        EXPECT_FALSE(ParseOptions(args, b, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(ConfigTest, AnnouncedScreenSizeFollowsTheVirtualScreen) {
    unsetenv("HANDREL_SCREEN");
    EXPECT_EQ(AnnouncedScreenSize("virtual"), "240x320");
    setenv("HANDREL_SCREEN", "480x640", 1);
    EXPECT_EQ(AnnouncedScreenSize("virtual"), "480x640");
    setenv("HANDREL_SCREEN", "480x", 1);
    EXPECT_EQ(AnnouncedScreenSize("virtual"), "240x320");
    unsetenv("HANDREL_SCREEN");
    EXPECT_EQ(AnnouncedScreenSize("x11"), "");
}

TEST(ConfigTest, AnnouncementStaysOnTheInterfaceOfTheListeningAddress) {
    const AnnouncedInterface loopback = InterfaceForAddress("127.0.0.1");
    EXPECT_FALSE(loopback.anyInterface);
    EXPECT_EQ(loopback.index, if_nametoindex("lo"));
    EXPECT_EQ(loopback.family, AF_INET);
    // Wildcards, names and addresses no interface holds go everywhere.
    for (const char* addr : {"0.0.0.0", "::", "", "localhost", "192.0.2.7"})
        EXPECT_TRUE(InterfaceForAddress(addr).anyInterface) << addr;
}

TEST(ConfigTest, AllowListAndListenAddress) {
    const struct {
        const char* text;
        bool valid;
        const char* inside;
        const char* outside;
    } cases[] = {
        {"192.168.4.0/24", true, "192.168.4.200", "192.168.5.1"},
        {"10.0.0.7", true, "10.0.0.7", "10.0.0.8"},
        {"0.0.0.0/0", true, "8.8.8.8", nullptr},
        {"172.16.0.0/12", true, "172.31.255.255", "172.32.0.0"},
        {"10.0.0.0/33", false, nullptr, nullptr},
        {"10.0.0.0/", false, nullptr, nullptr},
        {"10.0.0/8", false, nullptr, nullptr},
        {"::1", false, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        PeerAllowList list;
        EXPECT_EQ(list.Add(c.text), c.valid) << c.text;
        in_addr a{};
        if (c.inside && inet_pton(AF_INET, c.inside, &a) == 1) {
            EXPECT_TRUE(list.Allows(a)) << c.text;
        }
        if (c.outside && inet_pton(AF_INET, c.outside, &a) == 1) {
            EXPECT_FALSE(list.Allows(a)) << c.text;
        }
    }

    // The backends that give the machine away listen on loopback unless told.
    const struct {
        std::vector<std::string> args;
        const char* device;
        const char* address;
    } binds[] = {
        {{}, "virtual", "0.0.0.0"},
        {{}, "x11", "127.0.0.1"},
        {{}, "linux", "127.0.0.1"},
        {{}, "wayland", "127.0.0.1"},
        {{"--allow", "10.0.0.0/8"}, "x11", "0.0.0.0"},
        {{"--bind", "192.168.1.2"}, "linux", "192.168.1.2"},
        {{"--bind", "127.0.0.1"}, "virtual", "127.0.0.1"},
    };
    for (const auto& b : binds) {
        Options o;
        std::string error;
        ASSERT_TRUE(ParseOptions(b.args, o, error)) << error;
        EXPECT_EQ(ListenAddress(o, b.device), b.address) << b.device;
    }
    Options o;
    std::string error;
    EXPECT_FALSE(ParseOptions({"--allow", "example.org"}, o, error));
    EXPECT_NE(error.find("--allow"), std::string::npos);
}

// A compositor's socket by name in the runtime folder or by path wins over
// everything; a socket nobody listens on, or no runtime folder, does not.
TEST(ConfigTest, AutoDevicePicksAWaylandCompositorThatAnswers) {
    char dir[] = "/tmp/hd-auto-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/wayland-7";
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(fd, 4), 0);
    const std::string none = std::string(dir) + "/no-fb";
    EXPECT_EQ(AutoDevice(nullptr, none.c_str(), "wayland-7", dir), "wayland");
    EXPECT_EQ(AutoDevice(nullptr, none.c_str(), path.c_str(), nullptr), "wayland");
    EXPECT_EQ(AutoDevice(nullptr, none.c_str(), "wayland-7", nullptr), "virtual");
    EXPECT_EQ(AutoDevice(nullptr, none.c_str(), "wayland-8", dir), "virtual");
    EXPECT_EQ(AutoDevice(nullptr, none.c_str(), "", dir), "virtual");
    close(fd);
    // Bound but no longer listening: nothing answers.
    EXPECT_EQ(AutoDevice(nullptr, none.c_str(), "wayland-7", dir), "virtual");
    unlink(path.c_str());
    rmdir(dir);
}

TEST(ConfigTest, RootFolderIsMadeWithItsParents) {
    char dir[] = "/tmp/hdlisten-root-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string nested = std::string(dir) + "/a/b/device";
    EXPECT_TRUE(MakeFolders(nested));
    EXPECT_TRUE(MakeFolders(nested));  // already there
    const std::string file = std::string(dir) + "/a/file";
    fclose(fopen(file.c_str(), "w"));
    EXPECT_FALSE(MakeFolders(file + "/device"));
    unlink(file.c_str());
    rmdir(nested.c_str());
    rmdir((std::string(dir) + "/a/b").c_str());
    rmdir((std::string(dir) + "/a").c_str());
    rmdir(dir);
}

}  // namespace
}  // namespace hd
