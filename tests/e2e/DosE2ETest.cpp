// handrel-cli's dos command against the real listener's virtual handheld:
// one line with -c, then a session fed on standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/CliProcess.h"
#include "e2e/ListenerProcess.h"

namespace hd {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs handrel-cli with stdin from a text; the exit code (or -1 on a hang)
// and what it wrote on stdout and stderr.
int RunCli(const std::vector<std::string>& args, const std::string& dir, const std::string& input,
           std::string& output) {
    test::CliRun run = test::RunCli(args, dir, input);
    output = run.out;
    return run.code;
}

TEST(DosE2E, OneLineAndAnInteractiveSessionOverTcp) {
    test::ListenerProcess listener;
    const std::string dir =
        (fs::temp_directory_path() / ("hd-dos-" + std::to_string(getpid()))).string();
    fs::create_directories(dir);
    fs::create_directories(listener.Root() + "/Docs");
    std::ofstream(listener.Root() + "/Docs/note.txt") << "twelve bytes";
    const std::vector<std::string> base = {"--settings", dir + "/settings.conf", "--host",
                                           "127.0.0.1:" + std::to_string(listener.Port()), "dos"};
    std::string out;

    auto args = base;
    args.insert(args.end(), {"-c", "dir 1:\\Docs\\"});
    ASSERT_EQ(RunCli(args, dir, "", out), 0) << out;
    EXPECT_EQ(out.rfind("\nDirectory of 1:\\Docs\\\n", 0), 0u) << out;
    EXPECT_NE(out.find("           12 note.txt\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\t1 Files(s)\n"), std::string::npos) << out;

    args = base;
    args.insert(args.end(), {"-c", "DIR"});
    EXPECT_EQ(RunCli(args, dir, "", out), 1);
    EXPECT_EQ(out, "Unknown command 'DIR'\n");

    // Piped lines are echoed after the prompt; the directory is remembered
    // for the next run.
    EXPECT_EQ(RunCli(base, dir, "cd Docs\ncopy note.txt \\copy.txt\nexit\n", out), 0) << out;
    EXPECT_EQ(out,
              "Orvenna Remote DOS Emulator\n"
              "1:\\>cd Docs\n\n\n"
              "1:\\Docs\\>copy note.txt \\copy.txt\n"
              "1:\\copy.txt\n\t1 files(s) copied\n"
              "1:\\Docs\\>exit\n");
    EXPECT_EQ(Slurp(listener.Root() + "/copy.txt"), "twelve bytes");
    args = base;
    args.insert(args.end(), {"-c", "cd nowhere"});
    EXPECT_EQ(RunCli(args, dir, "", out), 1);
    EXPECT_EQ(out, "The system could not find the path specified 'nowhere'\n\n\n");

    args = base;
    args.push_back("extra");
    EXPECT_EQ(RunCli(args, dir, "", out), 2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace hd
