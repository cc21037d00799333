#include "desktop/session/SshTunnel.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "common/Log.h"

namespace hd::desktop {

namespace {
// What a verbose ssh says once the login is done.
constexpr const char* kLoggedIn = "Authenticated to ";

std::vector<std::string> SshCommand() {
    std::vector<std::string> words;
    const char* custom = std::getenv("HANDREL_SSH");
    std::istringstream in(custom && *custom ? custom : "ssh");
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Waits for a child up to ms, then asks it to end, then ends it.
void Reap(pid_t pid, int ms) {
    for (int waited = 0;; waited += 10) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        // ECHILD: someone else (a framework's SIGCHLD handler) reaped it.
        if (r == pid || (r < 0 && errno == ECHILD)) return;
        if (waited == ms) ::kill(pid, SIGTERM);
        if (waited == ms + 1000) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return;
        }
        ::usleep(10000);
    }
}

std::string LastLine(const std::string& text) {
    size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return {};
    size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end + 1 - (begin + 1));
}
}  // namespace

bool IsSshHost(const std::string& hostText) {
    return hostText.rfind(kSshScheme, 0) == 0;
}

bool ParseSshHost(const std::string& hostText, SshTarget& target) {
    if (!IsSshHost(hostText)) return false;
    std::string rest = hostText.substr(std::char_traits<char>::length(kSshScheme));
    target = SshTarget{};
    if (size_t slash = rest.find('/'); slash != std::string::npos) {
        const std::string port = rest.substr(slash + 1);
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int p = std::stoi(port);
        if (p < 1 || p > 65535) return false;
        target.devicePort = uint16_t(p);
        rest.resize(slash);
    }
    if (size_t colon = rest.rfind(':'); colon != std::string::npos) {
        target.sshPort = rest.substr(colon + 1);
        if (target.sshPort.empty() ||
            target.sshPort.find_first_not_of("0123456789") != std::string::npos)
            return false;
        rest.resize(colon);
    }
    // ssh would take a leading '-' as an option.
    if (rest.empty() || rest[0] == '-' || rest.back() == '@' ||
        rest.find_first_of(" \t\r\n") != std::string::npos)
        return false;
    target.destination = rest;
    return true;
}

std::unique_ptr<SshTunnel> SshTunnel::Open(const SshTarget& target, int waitMs,
                                           std::string& error) {
    std::vector<std::string> args = SshCommand();
    args.insert(args.end(),
                {"-o", "BatchMode=yes", "-o", "LogLevel=VERBOSE", "-o", "ConnectTimeout=10"});
    if (!target.sshPort.empty()) args.insert(args.end(), {"-p", target.sshPort});
    args.insert(args.end(),
                {"-W", "127.0.0.1:" + std::to_string(target.devicePort), "--", target.destination});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int pair[2], errors[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = "cannot create the tunnel's socket";
        return nullptr;
    }
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        ::close(pair[0]);
        ::close(pair[1]);
        error = "cannot create the tunnel's pipe";
        return nullptr;
    }
    std::unique_ptr<SshTunnel> tunnel(new SshTunnel);
    tunnel->m_pid = ::fork();
    if (tunnel->m_pid == 0) {
        ::dup2(pair[1], 0);
        ::dup2(pair[1], 1);
        ::dup2(errors[1], 2);
        // Not in the terminal's process group: a Ctrl+C is the program's to handle.
        ::setsid();
        ::execvp(argv[0], argv.data());
        const char* text = "cannot run ssh\n";
        (void)!::write(2, text, std::char_traits<char>::length(text));
        ::_exit(127);
    }
    ::close(pair[1]);
    ::close(errors[1]);
    tunnel->m_socket = pair[0];
    tunnel->m_errors = errors[0];
    if (tunnel->m_pid < 0) {
        error = "cannot start ssh";
        return nullptr;
    }

    std::string said;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (said.find(kLoggedIn) != std::string::npos) return tunnel;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        pollfd p{tunnel->m_errors, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) {
            error = "ssh did not log in within " + std::to_string(waitMs / 1000) + " s";
            break;
        }
        char buf[1024];
        const ssize_t n = ::read(tunnel->m_errors, buf, sizeof buf);
        if (n <= 0) {  // ssh has ended: its last words say why
            error = LastLine(said);
            if (error.empty()) error = "ssh ended without a word";
            break;
        }
        said.append(buf, size_t(n));
    }
    log::Forced("SshTunnel::Open:Error connecting through ssh to %s: %s",
                target.destination.c_str(), error.c_str());
    return nullptr;
}

int SshTunnel::TakeSocket() {
    const int fd = m_socket;
    m_socket = -1;
    return fd;
}

SshTunnel::~SshTunnel() {
    if (m_socket >= 0) ::close(m_socket);
    if (m_pid > 0) Reap(m_pid, 2000);
    if (m_errors >= 0) ::close(m_errors);
}

}  // namespace hd::desktop
