#include "e2e/ListenerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "listener/Peer.h"

extern char** environ;

namespace hd::test {

namespace {
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// True when the kernel's socket table shows a TCP socket listening on port.
// Read from /proc, not by connecting: a probe connection would be a peer the
// listener has to deal with.
bool PortListening(uint16_t port) {
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // the heading
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            const size_t colon = local.rfind(':');
            if (state == "0A" && colon != std::string::npos &&
                std::stoul(local.substr(colon + 1), nullptr, 16) == port)
                return true;
        }
    }
    return false;
}
}  // namespace

int ExitCode(int status) {
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ListenerProcess::ListenerProcess(Env env, std::vector<std::string> rawArgs, long fileSizeLimit) {
    char dir[] = "/tmp/hdlisten-e2e-XXXXXX";
    if (!mkdtemp(dir)) return;
    m_dir = dir;
    m_root = m_dir + "/root";
    m_port = FreePort();

    std::vector<std::string> args = {HDLISTEN_PATH};
    if (rawArgs.empty())
        args.insert(args.end(), {"--port", std::to_string(m_port), "--bind", "127.0.0.1",
                                 "--device", "virtual", "--root", m_root});
    else
        for (std::string a : rawArgs)
            args.push_back(a == kPortArg ? std::to_string(m_port) : a == kRootArg ? m_root : a);
    // No user settings file may reach the test: the config folder is ours.
    env.emplace_back("XDG_CONFIG_HOME", m_dir);
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (auto& [k, v] : env)
            if (std::strncmp(*e, (k + "=").c_str(), k.size() + 1) == 0) replaced = true;
        if (!replaced) envs.emplace_back(*e);
    }
    for (auto& [k, v] : env) envs.push_back(k + "=" + v);

    // Everything exec needs is built before fork: the child only dups and execs.
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);
    int out = ::open((m_dir + "/output").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (fileSizeLimit > 0) {
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out);
    if (rawArgs.empty()) WaitListening();
}

ListenerProcess::~ListenerProcess() {
    if (Stop(3000) == -1 && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir);
}

void ListenerProcess::Signal(int sig) {
    if (Running()) ::kill(m_pid, sig);
}

bool ListenerProcess::Running() {
    if (m_pid <= 0 || m_status != -1) return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = status;
        return false;
    }
    return true;
}

bool ListenerProcess::WaitListening(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!PortListening(m_port)) {
        if (!Running() || std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int ListenerProcess::WaitExit(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Running()) {
        if (std::chrono::steady_clock::now() >= end) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_status;
}

int ListenerProcess::Stop(int timeoutMs) {
    if (Running()) ::kill(m_pid, SIGTERM);
    return WaitExit(timeoutMs);
}

std::string ListenerProcess::Output() const {
    return ReadFile(m_dir + "/output");
}
std::string ListenerProcess::DeviceLog() const {
    return ReadFile(m_root + "/hdagent.log");
}

}  // namespace hd::test
