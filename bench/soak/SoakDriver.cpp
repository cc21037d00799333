// The desktop end of the soak run (bench/soak.sh): one long-lived desktop
// that connects, moves a file each way and disconnects, cycle after cycle,
// over TCP to hdlisten or over the local link. Every tenth cycle ends
// abruptly instead: a handrel-cli killed in the middle of a put (TCP), or a
// raw connection reset by this side in the middle of a file transfer (TCP),
// or the local link's channel cut under a transfer. Every 100 cycles it
// prints the open descriptors, threads and resident memory of the listener
// and of itself, which must stay flat.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "common/SocketStream.h"
#include "desktop/session/Session.h"
#include "desktop/tools/files/RemoteFiles.h"

namespace {

using namespace hd;
namespace fs = std::filesystem;

struct Figures {
    long fds = 0, threads = 0, rssKb = 0;
};

Figures Measure(pid_t pid) {
    Figures f;
    const std::string base = "/proc/" + std::to_string(pid);
    std::error_code ec;
    for (auto it = fs::directory_iterator(base + "/fd", ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ++f.fds;
    std::ifstream status(base + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0) f.threads = std::stol(line.substr(8));
        if (line.rfind("VmRSS:", 0) == 0) f.rssKb = std::stol(line.substr(6));
    }
    return f;
}

struct Settings : desktop::ConnectionSettings {
    int ConnTypeCode() override { return port ? 1 : 0; }
    desktop::HostList Hosts() override { return {{"127.0.0.1:" + std::to_string(port)}, false}; }
    int Sensitivity() override { return 0; }
    uint16_t Flags() override { return port ? 0x0020 : 0; }
    uint16_t port = 0;
};

struct Ui : desktop::SessionUi {
    void ShowMessage(const std::string&) override {}
    std::optional<std::string> ChooseHost(const std::vector<std::string>& h) override {
        return h.front();
    }
    void ShowWait(const std::string&) override {}
    void CloseWait() override {}
    void RequestDisconnect() override {}
};

struct NoView : desktop::ScreenView {
    void FrameReady(const uint8_t*, size_t) override {}
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One whole cycle: connect, a put and a get of the same file, disconnect.
// After an abrupt end the listener takes a moment (its screen thread's
// bounded wait) before it listens again: the connect is retried meanwhile.
bool Transfer(desktop::Session& session, const std::string& work, int cycle) {
    NoView view;
    bool connected = false;
    for (int attempt = 0; attempt < 40 && !connected; ++attempt) {
        connected = session.Connect(&view);
        if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!connected) return false;
    const std::string name = "1:\\soak" + std::to_string(cycle % 7) + ".bin";
    const bool ok =
        tools::RemoteFiles::Desk2DeviceCopy(session.Command(), work + "/out.bin", name) &&
        tools::RemoteFiles::Device2DeskCopy(session.Command(), name, work + "/back.bin") &&
        Slurp(work + "/out.bin") == Slurp(work + "/back.bin");
    session.Disconnect();
    return ok;
}

// A raw desktop that opens both channels, starts an HC_SEND_FILE and resets
// its connections in the middle of the packet.
void ResetMidTransfer(uint16_t port) {
    auto open = [&](std::vector<uint8_t> bytes) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
            (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return fd;
    };
    const int cmd = open({0, HC_INIT, 0x20, 0, 0, 0, 0, 0});
    const int screen = open({0, 0, 0, 0, 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::vector<uint8_t> start(9, 0);
    start[0] = HC_SEND_FILE;
    put_be32(start.data() + 1, 1 << 20);  // a megabyte announced, a little sent
    put_be32(start.data() + 5, 1 << 20);
    start.resize(9 + 4096, 0x5A);
    (void)!::send(cmd, start.data(), start.size(), MSG_NOSIGNAL);
    const linger hard{1, 0};
    for (int fd : {cmd, screen}) {
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd);
    }
}

// A handrel-cli put killed after a moment.
void KillMidPut(const std::string& cli, uint16_t port, const std::string& file) {
    const std::string host = "127.0.0.1:" + std::to_string(port);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execl(cli.c_str(), cli.c_str(), "--host", host.c_str(), "put", file.c_str(),
                "1:\\killed.bin", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// The local link's command channel shut down while a put is under way.
void CutLocalMidTransfer(desktop::Session& session, const std::string& work) {
    NoView view;
    if (!session.Connect(&view)) return;
    std::thread cut([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        session.Command().Shutdown();
    });
    tools::RemoteFiles::Desk2DeviceCopy(session.Command(), work + "/big.bin", "1:\\cut.bin");
    cut.join();
    session.Disconnect();
}

}  // namespace

int main(int argc, char** argv) {
    uint16_t port = 0;
    int cycles = 1000;
    pid_t listener = 0;
    std::string root, work, cli, library;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i], v = argv[i + 1];
        if (k == "--port") port = uint16_t(std::stoi(v));
        if (k == "--cycles") cycles = std::stoi(v);
        if (k == "--listener") listener = pid_t(std::stoi(v));
        if (k == "--root") root = v;
        if (k == "--work") work = v;
        if (k == "--cli") cli = v;
        if (k == "--library") library = v;
    }
    ::signal(SIGPIPE, SIG_IGN);
    {
        std::string data(256 * 1024, '\0');
        uint32_t x = 7;
        for (char& c : data) c = char((x = x * 1103515245 + 12345) >> 16);
        std::ofstream(work + "/out.bin", std::ios::binary) << data;
        std::ofstream(work + "/big.bin", std::ios::binary) << data << data << data << data;
    }
    Settings settings;
    settings.port = port;
    Ui ui;
    desktop::Session session(settings, ui, {"virtual", root, library});
    int failures = 0, abrupt = 0;
    const auto begin = std::chrono::steady_clock::now();
    auto report = [&](int cycle) {
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        const Figures d = Measure(::getpid());
        if (listener) {
            const Figures l = Measure(listener);
            std::printf("%-5s cycle %4d  listener fds %3ld threads %2ld rss %6ld kB  |  ",
                        port ? "tcp" : "local", cycle, l.fds, l.threads, l.rssKb);
        } else {
            std::printf("%-5s cycle %4d  ", port ? "tcp" : "local", cycle);
        }
        std::printf("desktop fds %3ld threads %2ld rss %6ld kB  |  failed %d abrupt %d  %.0f s\n",
                    d.fds, d.threads, d.rssKb, failures, abrupt, s);
        std::fflush(stdout);
    };
    report(0);
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (cycle % 10 == 5) {
            ++abrupt;
            if (!port)
                CutLocalMidTransfer(session, work);
            else if (cycle % 20 == 5)
                KillMidPut(cli, port, work + "/big.bin");
            else
                ResetMidTransfer(port);
        } else if (!Transfer(session, work, cycle)) {
            ++failures;
        }
        if (cycle % 100 == 0) report(cycle);
    }
    return failures == 0 ? 0 : 1;
}
