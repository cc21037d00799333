#include "e2e/TestSshd.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "listener/Peer.h"

namespace hd::test {

namespace {
constexpr const char* kSshd = "/usr/sbin/sshd";

std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string UserName() {
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? pw->pw_name : "root";
}
}  // namespace

bool TestSshd::Run(const std::string& command) {
    if (std::system(command.c_str()) == 0) return true;
    m_error = "failed: " + command;
    return false;
}

TestSshd::TestSshd() {
    if (::access(kSshd, X_OK) != 0) {
        m_error = std::string(kSshd) + " is missing (Debian package openssh-server)";
        return;
    }
    char dir[] = "/tmp/hd-sshd-XXXXXX";
    if (!::mkdtemp(dir)) return;
    m_dir = dir;
    m_port = FreePort();
    if (!Run("ssh-keygen -q -t ed25519 -N '' -f " + m_dir + "/host_key") ||
        !Run("ssh-keygen -q -t ed25519 -N '' -f " + m_dir + "/id") ||
        !Run("ssh-keygen -q -t ed25519 -N '' -f " + m_dir + "/stranger"))
        return;
    std::filesystem::copy_file(m_dir + "/id.pub", m_dir + "/authorized_keys");
    ::chmod((m_dir + "/authorized_keys").c_str(), 0600);
    std::ofstream(m_dir + "/known_hosts")
        << "[127.0.0.1]:" << m_port << " " << Read(m_dir + "/host_key.pub");
    std::ofstream(m_dir + "/sshd_config")
        << "Port " << m_port << "\nListenAddress 127.0.0.1\nHostKey " << m_dir
        << "/host_key\nAuthorizedKeysFile " << m_dir
        << "/authorized_keys\nPidFile none\nUsePAM no\nStrictModes no\n"
           "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
           "PermitRootLogin prohibit-password\nAllowTcpForwarding yes\nLogLevel VERBOSE\n";
    // As root sshd wants its privilege-separation folder.
    if (::geteuid() == 0) ::mkdir("/run/sshd", 0755);
    m_pid = ::fork();
    if (m_pid == 0) {
        const std::string log = m_dir + "/sshd.log";
        std::freopen(log.c_str(), "w", stderr);
        const std::string config = m_dir + "/sshd_config";
        ::execl(kSshd, kSshd, "-D", "-e", "-f", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Up once its port answers.
    Peer probe;
    if (!probe.Connect(m_port, 5000)) m_error = "sshd did not start: " + Log();
}

TestSshd::~TestSshd() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir);
}

std::string TestSshd::SshCommand(bool authorised) const {
    return "ssh -F none -o IdentitiesOnly=yes -o IdentityFile=" + m_dir +
           (authorised ? "/id" : "/stranger") + " -o UserKnownHostsFile=" + m_dir +
           "/known_hosts -o StrictHostKeyChecking=yes -o User=" + UserName();
}

std::string TestSshd::Log() const {
    return Read(m_dir + "/sshd.log");
}

}  // namespace hd::test
