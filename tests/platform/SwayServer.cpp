#include "SwayServer.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace hd::test {

namespace {

constexpr const char* kSway = "/usr/bin/sway";
constexpr const char* kGrim = "/usr/bin/grim";
constexpr const char* kSetpriv = "/usr/bin/setpriv";

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs a program to its end with the given environment; its exit code, or
// -1 past the time limit.
int Run(const std::vector<std::string>& args, const std::vector<std::string>& env,
        const std::string& output, int timeoutMs = 10000) {
    std::vector<std::string> a = args, e = env;
    std::vector<char*> argv, envp;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    for (auto& s : e) envp.push_back(s.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

}  // namespace

bool HaveSway() {
    return ::access(kSway, X_OK) == 0 && ::access(kGrim, X_OK) == 0 &&
           ::access(kSetpriv, X_OK) == 0;
}

SwayServer::SwayServer(const std::string& mode) {
    char name[] = "/tmp/hd-sway-XXXXXX";
    if (!::mkdtemp(name)) {
        m_error = "mkdtemp failed";
        return;
    }
    m_dir = name;
    const passwd* nobody = ::getpwnam("nobody");
    const group* nogroup = ::getgrnam("nogroup");
    if (!nobody || !nogroup || ::chown(name, nobody->pw_uid, nogroup->gr_gid) != 0 ||
        ::chmod(name, 0700) != 0) {
        m_error = "cannot hand the runtime folder to nobody";
        return;
    }
    {
        std::ofstream config(m_dir + "/config");
        config << "output * mode " << mode << " position 0 0 bg #000000 solid_color\n"
               << "default_border none\ndefault_floating_border none\n"
               << "focus_follows_mouse no\nfont pango:monospace 8\n";
    }
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + m_dir,  "HOME=" + m_dir,
                                          "PATH=/usr/bin:/bin",        "WLR_BACKENDS=headless",
                                          "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
                                          "WLR_HEADLESS_OUTPUTS=1"};
    std::vector<std::string> args = {
        kSetpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups", kSway,
        "-c",     m_dir + "/config"};
    std::vector<char*> argv, envp;
    std::vector<std::string> e = env;
    for (auto& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    for (auto& s : e) envp.push_back(s.data());
    envp.push_back(nullptr);
    const std::string logPath = m_dir + "/sway.log";
    m_pid = ::fork();
    if (m_pid == 0) {
        const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::dup2(null, 0);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    // The socket appears once the compositor listens.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
            const std::string file = entry.path().filename();
            if (file.rfind("wayland-", 0) == 0 && file.find('.') == std::string::npos &&
                entry.is_socket())
                m_socket = entry.path();
        }
        // sway's IPC socket comes a little after the Wayland one.
        bool ipc = false;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            if (std::string(entry.path().filename()).rfind("sway-ipc.", 0) == 0) ipc = true;
        if (!m_socket.empty() && ipc) return;
        m_socket.clear();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string log = ReadFile(logPath);
    m_error = "sway did not start: " + log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

SwayServer::~SwayServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        bool ended = false;
        for (int i = 0; i < 300 && !ended; ++i) {
            ended = ::waitpid(m_pid, nullptr, WNOHANG) == m_pid;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!ended) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    std::error_code ignored;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ignored);
}

std::vector<std::string> SwayServer::ClientEnv() const {
    return {"WAYLAND_DISPLAY=" + m_socket, "XDG_RUNTIME_DIR=" + m_dir};
}

bool SwayServer::Command(const std::string& command) {
    std::string ipc;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        if (std::string(entry.path().filename()).rfind("sway-ipc.", 0) == 0) ipc = entry.path();
    return !ipc.empty() && Run({"/usr/bin/swaymsg", "-s", ipc, command}, {"PATH=/usr/bin:/bin"},
                               m_dir + "/swaymsg.out") == 0;
}

std::string GrimCapture(const SwayServer& sway, GrimImage& image) {
    const std::string out = sway.Socket() + ".ppm";
    const std::string log = sway.Socket() + ".grim";
    std::vector<std::string> env = sway.ClientEnv();
    env.push_back("PATH=/usr/bin:/bin");
    const int code = Run({kGrim, "-t", "ppm", out}, env, log);
    if (code != 0) return "grim exited with " + std::to_string(code) + ": " + ReadFile(log);
    const std::string ppm = ReadFile(out);
    std::istringstream in(ppm);
    std::string magic;
    int max = 0;
    in >> magic >> image.width >> image.height >> max;
    in.get();
    if (magic != "P6" || max != 255 || image.width <= 0 || image.height <= 0)
        return "grim wrote no P6 image";
    const size_t size = size_t(image.width) * size_t(image.height) * 3;
    const size_t at = size_t(in.tellg());
    if (ppm.size() < at + size) return "grim's image is short";
    image.rgb.assign(ppm.begin() + long(at), ppm.begin() + long(at + size));
    return "";
}

}  // namespace hd::test
