#include "e2e/CliProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace hd::test {

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}
}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string& dir,
              const std::string& input, bool mergeErrors, int timeoutMs) {
    const std::string in = dir + "/cli.in", out = dir + "/cli.out", err = dir + "/cli.err";
    std::ofstream(in, std::ios::binary) << input;
    const pid_t pid = fork();
    if (pid == 0) {
        const int i = open(in.c_str(), O_RDONLY);
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = mergeErrors ? o : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(i, 0);
        dup2(o, 1);
        dup2(e, 2);
        std::vector<char*> argv{const_cast<char*>(HANDREL_CLI_PATH)};
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        setenv("XDG_STATE_HOME", dir.c_str(), 1);
        execv(HANDREL_CLI_PATH, argv.data());
        _exit(127);
    }
    CliRun run;
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (run.code == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    run.out = Slurp(out);
    if (!mergeErrors) run.err = Slurp(err);
    return run;
}

}  // namespace hd::test
