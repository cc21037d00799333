// A running hdlisten for whole-system tests: started with fork/exec on a free
// loopback port with the virtual device and a temporary root folder, its
// output captured in a file. Owned by one test; the destructor ends it with
// SIGTERM (SIGKILL only if it hangs), reaps it and removes the folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace hd::test {

class ListenerProcess {
public:
    using Env = std::vector<std::pair<std::string, std::string>>;
    // rawArgs, when given, replace the usual options (for option tests);
    // kPortArg and kRootArg among them stand for the port and root folder.
    static constexpr const char* kPortArg = "@PORT@";
    static constexpr const char* kRootArg = "@ROOT@";
    // fileSizeLimit > 0: the listener's files cannot grow past it (a full disk).
    // With the usual options it returns once the port takes connections (a
    // desktop that connects once must not find it still starting).
    explicit ListenerProcess(Env env = {}, std::vector<std::string> rawArgs = {},
                             long fileSizeLimit = 0);
    ~ListenerProcess();
    ListenerProcess(const ListenerProcess&) = delete;
    ListenerProcess& operator=(const ListenerProcess&) = delete;

    uint16_t Port() const { return m_port; }
    const std::string& Root() const { return m_root; }
    bool Running();
    // Waits until the port is listening; false when the process ended first or
    // the time ran out.
    bool WaitListening(int timeoutMs = 10000);
    // Sends a signal (SIGKILL, SIGSTOP, SIGCONT...) to the process.
    void Signal(int sig);
    // Sends SIGTERM and waits; the waitpid status, or -1 when it did not end.
    int Stop(int timeoutMs = 3000);
    // Waits for the process to end by itself; the waitpid status or -1.
    int WaitExit(int timeoutMs);
    // What it printed on stdout and stderr so far.
    std::string Output() const;
    // The device log in its root folder.
    std::string DeviceLog() const;

private:
    pid_t m_pid = -1;
    int m_status = -1;
    uint16_t m_port = 0;
    std::string m_dir;
    std::string m_root;
};

// The exit code of a waitpid status that ended normally, else -1.
int ExitCode(int status);

}  // namespace hd::test
