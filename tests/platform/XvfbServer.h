// A private X server for tests: Xvfb on a display number it picks itself
// (-displayfd), optionally with a small EWMH window manager (openbox), and the
// helper clients the tests start on it. Owned by one test; the destructor
// ends every process it started, by its id, and reaps it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace hd::test {

// True when the Xvfb binary is installed; tests skip (with a message) only
// when it is not.
bool HaveXvfb();
constexpr const char* kNoXvfb = "Xvfb is not installed (scripts/setup.sh installs it)";

class XvfbServer {
public:
    // screen: "WxHxD". False from Started() when the server did not come up.
    explicit XvfbServer(const std::string& screen, bool windowManager = false);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Started() const { return !m_display.empty(); }
    // ":N"
    const std::string& Display() const { return m_display; }
    // Why it did not start, for the test's message.
    const std::string& Error() const { return m_error; }

private:
    bool WaitForManager();

    pid_t m_server = -1;
    pid_t m_manager = -1;
    std::string m_display;
    std::string m_error;
};

// A test client (x11_test_client on a display, or any program): its standard
// input takes commands, its standard output gives one line per event it saw.
class TestClient {
public:
    // A program with environment entries ("NAME=value") added to this one's.
    struct Program {
        std::string path;
        std::vector<std::string> env;
    };
    TestClient(const std::string& display, const std::vector<std::string>& args);
    TestClient(const Program& program, const std::vector<std::string>& args);
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    pid_t Pid() const { return m_pid; }
    // The next line that starts with prefix (earlier lines are kept for
    // Lines()); empty after timeoutMs.
    std::string WaitLine(const std::string& prefix, int timeoutMs);
    // Waits for "ready", then the window's id.
    unsigned long WaitReady(int timeoutMs = 5000);
    bool Send(const std::string& line);
    // Every line read so far.
    const std::vector<std::string>& Lines() const { return m_lines; }
    // Waits for the process to end by itself; true when it did.
    bool WaitExit(int timeoutMs);

private:
    bool ReadMore(int timeoutMs);

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
    size_t m_seen = 0;  // lines already handed out by WaitLine
};

}  // namespace hd::test
