// handrel-cli --ssh against a real sshd on a loopback port with throwaway
// keys, forwarding to an hdlisten bound to loopback: the whole session runs
// through ssh, and a refused login ends at once with ssh's own words and
// exit code 3.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "e2e/CliProcess.h"
#include "e2e/ListenerProcess.h"
#include "e2e/TestSshd.h"

namespace hd::test {
namespace {

TEST(SshE2E, SessionThroughSshAndARefusedLogin) {
    TestSshd sshd;
    if (!sshd.Error().empty()) GTEST_SKIP() << sshd.Error();
    ListenerProcess listener;  // bound to 127.0.0.1
    const std::string dir =
        std::filesystem::temp_directory_path() / ("hd-ssh-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string target =
        "127.0.0.1:" + std::to_string(sshd.Port()) + "/" + std::to_string(listener.Port());

    setenv("HANDREL_SSH", sshd.SshCommand(true).c_str(), 1);
    CliRun ok = RunCli({"--ssh", target, "ls", "1:\\"}, dir);
    EXPECT_EQ(ok.code, 0) << ok.out << "\n" << sshd.Log() << listener.Output();
    EXPECT_FALSE(ok.out.empty());
    CliRun shot = RunCli({"--ssh", target, "screenshot", dir + "/shot.png"}, dir);
    EXPECT_EQ(shot.code, 0) << shot.out;
    EXPECT_TRUE(std::filesystem::exists(dir + "/shot.png"));

    setenv("HANDREL_SSH", sshd.SshCommand(false).c_str(), 1);
    const auto begin = std::chrono::steady_clock::now();
    CliRun refused = RunCli({"--ssh", target, "ls", "1:\\"}, dir);
    EXPECT_EQ(refused.code, 3) << refused.out;
    EXPECT_NE(refused.out.find("Permission denied"), std::string::npos) << refused.out;
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
    unsetenv("HANDREL_SSH");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace hd::test
