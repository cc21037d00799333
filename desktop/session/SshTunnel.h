// SshTunnel: one channel to the device through OpenSSH, for connections
// that must be authenticated and encrypted without crypto of our own. It
// runs `ssh -W 127.0.0.1:PORT [USER@]HOST` with the user's own keys and
// known_hosts (no prompts: BatchMode), over a socketpair whose other end the
// channel's socket stream takes. Open waits until ssh has logged in, so a
// refused login fails the Connect with ssh's own words instead of hanging.
// Made and ended on the thread that connects; logs under "SshTunnel::".
// HANDREL_SSH replaces the ssh command (tests point it at their own config).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

namespace hd::desktop {

// The host text of an ssh connection: "ssh://[USER@]HOST[:SSHPORT][/PORT]",
// PORT being the device's listener port on HOST's loopback (5492).
constexpr const char* kSshScheme = "ssh://";
struct SshTarget {
    std::string destination;  // [USER@]HOST
    std::string sshPort;      // empty: ssh's own choice
    uint16_t devicePort = 5492;
};
bool IsSshHost(const std::string& hostText);
// False when the text after the scheme is not [USER@]HOST[:SSHPORT][/PORT].
bool ParseSshHost(const std::string& hostText, SshTarget& target);

class SshTunnel {
public:
    ~SshTunnel();
    SshTunnel(const SshTunnel&) = delete;
    SshTunnel& operator=(const SshTunnel&) = delete;

    // Starts ssh and waits up to waitMs for its login; null with ssh's error
    // text (its last line) in error when it fails or the wait runs out.
    static std::unique_ptr<SshTunnel> Open(const SshTarget& target, int waitMs, std::string& error);
    // The desktop's end of the tunnel; the caller owns it from then on.
    int TakeSocket();

private:
    SshTunnel() = default;
    pid_t m_pid = -1;
    int m_socket = -1;
    int m_errors = -1;  // ssh's standard error
};

}  // namespace hd::desktop
