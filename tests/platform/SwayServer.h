// A private headless sway for tests: a fixed output mode, its own runtime
// folder owned by the unprivileged user it runs as (sway refuses root), and
// grim for the compositor's own image of the output. Owned by one test; the
// destructor ends the compositor by its id and removes the folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hd::test {

// True when sway and grim are installed; tests skip (with a message) only
// when they are not.
bool HaveSway();
constexpr const char* kNoSway = "sway or grim is not installed (scripts/setup.sh installs them)";

class SwayServer {
public:
    // mode: "WxH" of the one headless output.
    explicit SwayServer(const std::string& mode = "640x480");
    ~SwayServer();
    SwayServer(const SwayServer&) = delete;
    SwayServer& operator=(const SwayServer&) = delete;

    bool Started() const { return !m_socket.empty(); }
    // The compositor's socket as an absolute path: WAYLAND_DISPLAY for anyone.
    const std::string& Socket() const { return m_socket; }
    // Why it did not start (with the end of sway's log).
    const std::string& Error() const { return m_error; }
    // Environment entries a client of this compositor needs.
    std::vector<std::string> ClientEnv() const;
    // Runs a sway command through its IPC socket; true when it succeeded.
    bool Command(const std::string& command);

private:
    std::string m_dir;
    std::string m_socket;
    std::string m_error;
    pid_t m_pid = -1;
};

// The output as grim copies it: RGB triplets, top row first.
struct GrimImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};
// Empty error on success.
std::string GrimCapture(const SwayServer& sway, GrimImage& image);

}  // namespace hd::test
