// handrel-cli's file and clipboard commands end to end: the real listener
// (and the local link) with the virtual handheld, files checked byte for
// byte on both sides.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "e2e/CliProcess.h"
#include "e2e/ListenerProcess.h"

namespace hd {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void Spill(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

struct CliResult {
    int code = -1;  // -1: it did not end in time
    std::string out, err;
};

class FilesCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = (fs::temp_directory_path() /
               ("hd-files-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
        fs::remove_all(dir);
        fs::create_directories(dir + "/root");
        fs::create_directories(dir + "/desk");
    }
    void TearDown() override { fs::remove_all(dir); }

    // One handrel-cli run with the given standard input, to its end.
    CliResult Cli(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), conn.begin(), conn.end());
        args.insert(args.begin(), {"--settings", dir + "/settings.conf"});
        test::CliRun r = test::RunCli(args, dir, input, false);
        return {r.code, r.out, r.err};
    }

    std::string dir;
    std::vector<std::string> conn;  // how to reach the device
};

std::string Noise(size_t n) {
    std::mt19937 gen(7);
    std::string s(n, '\0');
    for (char& c : s) c = char(gen());
    return s;
}

TEST_F(FilesCli, FilesBothWaysOverTheListener) {
    test::ListenerProcess listener;
    conn = {"--host", "127.0.0.1:" + std::to_string(listener.Port())};
    const std::string root = listener.Root();
    const std::string desk = dir + "/desk";
    const std::string data = Noise(300000);
    Spill(desk + "/a.bin", data);

    CliResult r = Cli({"mkdir", "1:\\Docs"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Cli({"put", desk + "/a.bin", "1:\\Docs"});  // into the folder, under its own name
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(root + "/Docs/a.bin"), data);
    r = Cli({"ls", "1:/Docs"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("300000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("a.bin"), std::string::npos);
    r = Cli({"get", "1:\\Docs\\a.bin", desk + "/b.bin"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(desk + "/b.bin"), data);
}

TEST_F(FilesCli, FoldersAndTheClipboardOverTheListener) {
    test::ListenerProcess listener;
    conn = {"--host", "127.0.0.1:" + std::to_string(listener.Port())};
    const std::string root = listener.Root();
    const std::string desk = dir + "/desk";
    fs::create_directories(root + "/Docs");
    Spill(root + "/Docs/a.bin", "abc");
    // A folder tree to the handheld, back under another name, then moved.
    fs::create_directories(desk + "/T/S");
    Spill(desk + "/T/.hidden", "h");
    Spill(desk + "/T/S/x.txt", "xx");
    CliResult r = Cli({"cp", desk + "/T", "1:\\Docs"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(root + "/Docs/T/.hidden"), "h");
    EXPECT_EQ(Slurp(root + "/Docs/T/S/x.txt"), "xx");
    r = Cli({"cp", "1:\\Docs\\T", desk + "/T2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(desk + "/T2/S/x.txt"), "xx");
    r = Cli({"mv", "1:\\Docs\\T", desk + "/T3"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(desk + "/T3/.hidden"), "h");
    EXPECT_FALSE(fs::exists(root + "/Docs/T"));

    r = Cli({"ren", "1:\\Docs\\a.bin", "1:\\Docs\\c.bin"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Cli({"rm", "1:\\Docs"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(fs::exists(root + "/Docs"));
    r = Cli({"ls", "1:\\Docs"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no such file or folder"), std::string::npos);
    r = Cli({"rmdir", "1:\\Docs"});
    EXPECT_EQ(r.code, 1);

    // The clipboard: text goes over; the virtual handheld keeps it only for
    // the connection, so a new one finds none.
    r = Cli({"clip", "set"},
            "Gr\xC3\xBC\xC3\x9F"
            "e\n");
    EXPECT_EQ(r.code, 0) << r.err;
    r = Cli({"clip", "get"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("holds no text"), std::string::npos);
}

// A handheld whose search finds nothing for "\\folder\\" or "\\" (as the
// handheld's own file system does): the desktop must not lean on ours.
TEST_F(FilesCli, AStrictHandheldListsFoldersAndTakesFilesAtItsRoot) {
    test::ListenerProcess listener(test::ListenerProcess::Env{{"HANDREL_STRICT_PATHS", "1"}});
    conn = {"--host", "127.0.0.1:" + std::to_string(listener.Port())};
    const std::string root = listener.Root();
    fs::create_directories(root + "/Docs");
    Spill(root + "/Docs/a.txt", "abc");
    Spill(dir + "/desk/b.txt", "bb");

    CliResult r = Cli({"ls", "1:\\Docs\\"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("a.txt"), std::string::npos) << r.out;
    r = Cli({"mv", dir + "/desk/b.txt", "1:\\"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(root + "/b.txt"), "bb");
    EXPECT_FALSE(fs::exists(dir + "/desk/b.txt"));
    r = Cli({"cp", "1:\\Docs\\", dir + "/desk"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(dir + "/desk/Docs/a.txt"), "abc");
}

TEST_F(FilesCli, QuestionsOnTheTerminalThroughTheLocalLink) {
    conn = {"--root", dir + "/root"};
    const std::string root = dir + "/root", desk = dir + "/desk";
    fs::create_directories(desk + "/T");
    Spill(desk + "/T/a.txt", "new a");
    Spill(desk + "/T/b.txt", "new b");
    fs::create_directories(root + "/T");
    Spill(root + "/T/a.txt", "old");
    Spill(root + "/T/b.txt", "old");

    // Yes for the folder, No for the first file, Yes for the second.
    CliResult r = Cli({"cp", desk + "/T", "1:\\"}, "y\nn\ny\n");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Conform File Replace"), std::string::npos);
    EXPECT_NE(r.err.find("Bytes, modified"), std::string::npos);
    int replaced = (Slurp(root + "/T/a.txt") == "new a") + (Slurp(root + "/T/b.txt") == "new b");
    EXPECT_EQ(replaced, 1);
    // Cancel ends with a failure; --yes asks nothing.
    r = Cli({"cp", desk + "/T", "1:\\"}, "c\n");
    EXPECT_EQ(r.code, 1);
    r = Cli({"cp", "--yes", desk + "/T", "1:\\"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("Conform"), std::string::npos);
    EXPECT_EQ(Slurp(root + "/T/a.txt"), "new a");
    EXPECT_EQ(Slurp(root + "/T/b.txt"), "new b");

    // mv on the desktop alone, and rm of a desktop folder.
    r = Cli({"mv", desk + "/T", desk + "/U"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Slurp(desk + "/U/a.txt"), "new a");
    EXPECT_FALSE(fs::exists(desk + "/T"));
    r = Cli({"rm", desk + "/U", "1:\\T"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(fs::exists(desk + "/U"));
    EXPECT_FALSE(fs::exists(root + "/T"));

    // Usage errors come before any connection.
    EXPECT_EQ(Cli({"get", desk + "/a", desk + "/b"}).code, 2);
    EXPECT_EQ(Cli({"put", "1:\\a", "1:\\b"}).code, 2);
    EXPECT_EQ(Cli({"ls"}).code, 2);
    EXPECT_EQ(Cli({"clip", "copy"}).code, 2);
}

}  // namespace
}  // namespace hd
