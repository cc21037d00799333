// A throwaway OpenSSH server for whole-system tests: host and client keys
// made fresh in a temporary folder, sshd on a free loopback port in the
// foreground, and an ssh client configuration that knows only these keys.
// Owned by one test; the destructor ends sshd and removes the folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace hd::test {

class TestSshd {
public:
    TestSshd();
    ~TestSshd();
    TestSshd(const TestSshd&) = delete;
    TestSshd& operator=(const TestSshd&) = delete;

    // Empty when the server runs; else why not (no sshd, no keys).
    const std::string& Error() const { return m_error; }
    uint16_t Port() const { return m_port; }
    // An ssh command line for HANDREL_SSH: the authorised key, or one the
    // server does not know.
    std::string SshCommand(bool authorised = true) const;
    std::string Log() const;

private:
    bool Run(const std::string& command);

    std::string m_dir;
    std::string m_error;
    uint16_t m_port = 0;
    pid_t m_pid = -1;
};

}  // namespace hd::test
