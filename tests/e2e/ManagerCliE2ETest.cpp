// handrel-cli's process manager commands against the real listener and its
// virtual handheld: ps, details, sysinfo, activate and kill with and without
// its question.
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

using test::CliRun;
using test::RunCli;

// The ps line of a process: index and identifier text; false when absent.
bool FindTask(const std::string& ps, const std::string& exe, int& index, std::string& id) {
    std::istringstream lines(ps);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream f(line);
        std::string name;
        if (f >> index >> id >> name && name == exe) return true;
    }
    return false;
}

class ManagerCliE2E : public ::testing::Test {
protected:
    void SetUp() override {
        dir = (fs::temp_directory_path() /
               ("hd-mgr-cli-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    CliRun Cli(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), {"--settings", dir + "/settings.conf", "--host",
                                   "127.0.0.1:" + std::to_string(listener.Port())});
        return RunCli(args, dir, input);
    }
    test::ListenerProcess listener;
    std::string dir;
};

TEST_F(ManagerCliE2E, PsDetailsAndSysinfo) {
    const CliRun ps = Cli({"ps"});
    ASSERT_EQ(ps.code, 0) << ps.out;
    int nk = -1, notes = -1;
    std::string nkId, notesId;
    ASSERT_TRUE(FindTask(ps.out, "nk.exe", nk, nkId)) << ps.out;
    ASSERT_TRUE(FindTask(ps.out, "notes.exe", notes, notesId)) << ps.out;
    EXPECT_NE(ps.out.find("nk.exe                    [Background Process]"), std::string::npos);
    EXPECT_NE(ps.out.find("notes.exe                 Notes"), std::string::npos);

    // The identifier in decimal names the same process as in hexadecimal.
    const CliRun byNumber = Cli({"details", std::to_string(std::stoul(nkId, nullptr, 16))});
    ASSERT_EQ(byNumber.code, 0) << byNumber.out;
    EXPECT_NE(byNumber.out.find("Process Name: nk.exe\nProcess Id: " + nkId), std::string::npos);
    EXPECT_NE(byNumber.out.find("Thread Id"), std::string::npos);
    EXPECT_NE(byNumber.out.find("coredll.dll       0x1f60000"), std::string::npos) << byNumber.out;

    const CliRun byHex = Cli({"details", notesId});
    ASSERT_EQ(byHex.code, 0) << byHex.out;
    EXPECT_NE(byHex.out.find("Process Name: notes.exe"), std::string::npos);
    EXPECT_NE(byHex.out.find("aygshell.dll"), std::string::npos);

    // A process the handheld does not run is refused before anything is asked.
    const CliRun none = Cli({"details", "0x1"});
    EXPECT_EQ(none.code, 1) << none.out;
    EXPECT_NE(none.out.find("no process with id 0x1"), std::string::npos);

    const CliRun info = Cli({"sysinfo"});
    ASSERT_EQ(info.code, 0) << info.out;
    for (const char* want :
         {"Version:                     Windows CE 3.0, build 11171",
          "Processor:                   1 X Intel Strongarm",
          "Screen:                      240 X 320, -1 colors",
          "Physical Total:              16777216 (16.38Mb)", "Minimum:                     0x10000",
          "Remaining Primary:           85 %"})
        EXPECT_NE(info.out.find(want), std::string::npos) << want << "\n" << info.out;
}

TEST_F(ManagerCliE2E, KillAsksUnlessTold) {
    const CliRun ps = Cli({"ps"});
    int calc = -1, nk = -1;
    std::string id;
    ASSERT_TRUE(FindTask(ps.out, "calc.exe", calc, id)) << ps.out;
    ASSERT_TRUE(FindTask(ps.out, "nk.exe", nk, id)) << ps.out;

    const CliRun no = Cli({"kill", std::to_string(calc)}, "n\n");
    EXPECT_EQ(no.code, 0) << no.out;
    EXPECT_NE(no.out.find("Warning : Killing a critical process can affect the operation of your "
                          "Pocket PC\nAre you sure you want to continue ?"),
              std::string::npos)
        << no.out;
    EXPECT_NE(no.out.find("nothing was killed"), std::string::npos);

    // The fresh list the kill returns no longer holds the task.
    const CliRun yes = Cli({"kill", "--yes", std::to_string(calc)});
    ASSERT_EQ(yes.code, 0) << yes.out;
    EXPECT_EQ(yes.out.find("Are you sure"), std::string::npos);
    const size_t list = yes.out.find("Index");
    ASSERT_NE(list, std::string::npos) << yes.out;
    EXPECT_EQ(yes.out.find("calc.exe", list), std::string::npos) << yes.out;
    EXPECT_NE(yes.out.find("notes.exe", list), std::string::npos) << yes.out;

    // A process the handheld will not end is reported, not claimed as killed.
    const CliRun system = Cli({"kill", "--yes", std::to_string(nk)});
    EXPECT_EQ(system.code, 1) << system.out;
    EXPECT_NE(system.out.find("nk.exe (0x3ffd002) is still running"), std::string::npos);

    const CliRun missing = Cli({"kill", "--yes", "200"});
    EXPECT_EQ(missing.code, 1) << missing.out;
    EXPECT_EQ(Cli({"kill", "--yes"}).code, 2);
    EXPECT_EQ(Cli({"activate", "256"}).code, 2);
    const CliRun activate = Cli({"activate", std::to_string(nk)});
    EXPECT_EQ(activate.code, 0) << activate.out;
    EXPECT_NE(activate.out.find("nk.exe has no titled window"), std::string::npos);
}

}  // namespace
}  // namespace hd
