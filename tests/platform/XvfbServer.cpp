#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace hd::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kXvfb = "/usr/bin/Xvfb";
constexpr const char* kOpenbox = "/usr/bin/openbox";

int LeftMs(Clock::time_point end) {
    return int(std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count()));
}

// The manager announces itself before it takes map requests: a window mapped in
// between may never be shown. A probe window shown (asked again while the request
// goes unanswered) proves the manager is at work.
bool ManagerMapsWindows(::Display* d, Clock::time_point end) {
    const Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d, probe, StructureNotifyMask);
    bool mapped = false;
    auto ask = Clock::now();
    while (!mapped && Clock::now() < end) {
        if (Clock::now() >= ask) {
            XMapWindow(d, probe);
            XFlush(d);
            ask = Clock::now() + std::chrono::milliseconds(500);
        }
        while (!mapped && XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            mapped = e.type == MapNotify;
        }
        if (!mapped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XDestroyWindow(d, probe);
    XSync(d, False);
    return mapped;
}

// fork/exec with the given environment additions; stdin/stdout as given
// (-1: /dev/null). Everything is prepared before fork.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int in,
            int out, int keepFd = -1) {
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const auto& add : env)
            if (std::strncmp(*e, add.c_str(), add.find('=') + 1) == 0) replaced = true;
        if (!replaced) envs.emplace_back(*e);
    }
    envs.insert(envs.end(), env.begin(), env.end());
    std::vector<char*> argv, envp;
    std::vector<std::string> a = args;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    for (auto& s : envs) envp.push_back(s.data());
    envp.push_back(nullptr);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in >= 0 ? in : null, 0);
        ::dup2(out >= 0 ? out : null, 1);
        ::dup2(null, 2);
        if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(null);
    return pid;
}

void End(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

}  // namespace

bool HaveXvfb() {
    return ::access(kXvfb, X_OK) == 0;
}

XvfbServer::XvfbServer(const std::string& screen, bool windowManager) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_error = "pipe failed";
        return;
    }
    // -displayfd: the server takes a free display number and writes it.
    m_server = Spawn({kXvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                      "-nolisten", "tcp", "-noreset"},
                     {}, -1, -1, fds[1]);
    ::close(fds[1]);
    std::string number;
    const auto end = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, LeftMs(end)) <= 0) break;
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        m_error = "Xvfb did not start";
        End(m_server);
        return;
    }
    m_display = ":" + number;
    if (!windowManager) return;
    if (::access(kOpenbox, X_OK) != 0) {
        m_error = "openbox is not installed (scripts/setup.sh installs it)";
        m_display.clear();
        End(m_server);
        return;
    }
    m_manager = Spawn({kOpenbox, "--sm-disable"}, {"DISPLAY=" + m_display}, -1, -1);
    if (!WaitForManager()) {
        m_error = "openbox did not start";
        m_display.clear();
        End(m_manager);
        End(m_server);
    }
}

bool XvfbServer::WaitForManager() {
    ::Display* d = XOpenDisplay(m_display.c_str());
    if (!d) return false;
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom clients = XInternAtom(d, "_NET_CLIENT_LIST", False);
    bool ready = false;
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (!ready && Clock::now() < end) {
        int found = 0;
        for (Atom a : {check, clients}) {
            Atom type;
            int format;
            unsigned long n, after;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(d, DefaultRootWindow(d), a, 0, 1, False, AnyPropertyType, &type,
                                   &format, &n, &after, &data) == Success &&
                type != None)
                ++found;
            if (data) XFree(data);
        }
        ready = found == 2;
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ready = ready && ManagerMapsWindows(d, end);
    XCloseDisplay(d);
    return ready;
}

XvfbServer::~XvfbServer() {
    End(m_manager);
    End(m_server);
}

#ifdef X11_TEST_CLIENT
TestClient::TestClient(const std::string& display, const std::vector<std::string>& args)
    : TestClient(Program{X11_TEST_CLIENT, {"DISPLAY=" + display}}, args) {}
#endif

TestClient::TestClient(const Program& program, const std::vector<std::string>& args) {
    ::signal(SIGPIPE, SIG_IGN);  // a client that ended fails the write, not the test
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    std::vector<std::string> argv = {program.path};
    argv.insert(argv.end(), args.begin(), args.end());
    m_pid = Spawn(argv, program.env, in[0], out[1]);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
}

TestClient::~TestClient() {
    if (m_in >= 0) ::close(m_in);
    if (m_out >= 0) ::close(m_out);
    End(m_pid);
}

bool TestClient::ReadMore(int timeoutMs) {
    pollfd p{m_out, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buf[4096];
    const ssize_t n = ::read(m_out, buf, sizeof buf);
    if (n <= 0) return false;
    m_pending.append(buf, size_t(n));
    for (size_t nl; (nl = m_pending.find('\n')) != std::string::npos;) {
        m_lines.push_back(m_pending.substr(0, nl));
        m_pending.erase(0, nl + 1);
    }
    return true;
}

std::string TestClient::WaitLine(const std::string& prefix, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (; m_seen < m_lines.size(); ++m_seen)
            if (m_lines[m_seen].rfind(prefix, 0) == 0) return m_lines[m_seen++];
        if (!ReadMore(LeftMs(end))) return {};
    }
}

unsigned long TestClient::WaitReady(int timeoutMs) {
    const std::string line = WaitLine("ready ", timeoutMs);
    return line.empty() ? 0 : std::stoul(line.substr(6), nullptr, 0);
}

bool TestClient::Send(const std::string& line) {
    const std::string text = line + "\n";
    return ::write(m_in, text.data(), text.size()) == ssize_t(text.size());
}

bool TestClient::WaitExit(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace hd::test
