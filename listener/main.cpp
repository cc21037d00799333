// hdlisten's composition root: options, root folder, device log and the Log
// setting, then the connection manager, the DNS-SD announcer and the main loop. SIGTERM and SIGINT
// are blocked in every thread and taken by one sigwait thread, which turns
// them into ConnectionAcceptor::Interrupt; main then joins everything in reverse and exits 0.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/AgentLocation.h"
#include "common/Log.h"
#include "common/SocketStream.h"
#include "listener/AgentHost.h"
#include "listener/Config.h"
#include "listener/ConnectionAcceptor.h"
#include "listener/ConnectionLoop.h"
#include "listener/Options.h"
#include "listener/ServiceAnnouncer.h"

namespace {

// Keep-alive tests shorten the socket read wait through the environment.
void ApplyReadWaitOverride() {
    const char* text = std::getenv("HANDREL_READ_WAIT_MS");
    if (!text || !*text) return;
    char* end = nullptr;
    long ms = std::strtol(text, &end, 10);
    if (*end == '\0' && ms > 0 && ms <= 600000) hd::SocketStream::SetReadWaitOverrideMs(int(ms));
}

void ReadLogSetting() {
    long value = 0;
    if (int err = hd::ReadLogValue(hd::LogSettingsPath(), value); err != 0)
        hd::log::Forced("Error %ld opening HKEY_LOCAL_MACHINE\\Software\\Apps\\%s for KEY_READ",
                        long(err), "Orvenna Handrel");
    else if (value != 0)
        hd::log::SetEnabled(true);
}

int Serve(const hd::Options& options, const sigset_t& stopSignals) {
    const char* display = std::getenv("DISPLAY");
    // The agent loads its X11 and Wayland backends from its own folder:
    // without them auto passes over that display, and it cannot be served.
    const std::string agent = hd::AgentHost::BesideProgram();
    const std::string x11Module = agent.empty() ? "" : hd::X11ModuleBeside(agent);
    const bool x11Installed = x11Module.empty() || ::access(x11Module.c_str(), F_OK) == 0;
    if (options.device == "x11" && !x11Installed) {
        std::fprintf(stderr, "hdlisten: the X11 backend is not installed: %s is missing\n",
                     x11Module.c_str());
        return 1;
    }
    const std::string waylandModule = agent.empty() ? "" : hd::WaylandModuleBeside(agent);
    const bool waylandInstalled =
        waylandModule.empty() || ::access(waylandModule.c_str(), F_OK) == 0;
    if (options.device == "wayland" && !waylandInstalled) {
        std::fprintf(stderr, "hdlisten: the Wayland backend is not installed: %s is missing\n",
                     waylandModule.c_str());
        return 1;
    }
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    const std::string device = options.device == "auto"
                                   ? hd::AutoDevice(x11Installed ? display : nullptr, "/dev/fb0",
                                                    waylandInstalled ? waylandDisplay : nullptr,
                                                    std::getenv("XDG_RUNTIME_DIR"))
                                   : options.device;
    std::string root = options.root.empty() ? hd::DefaultRootFolder() : options.root;
    if (!hd::MakeFolders(root)) {
        std::fprintf(stderr, "hdlisten: cannot create the root folder %s: %s\n", root.c_str(),
                     std::strerror(errno));
        return 1;
    }
    // The agent gets the root through its environment: make it absolute.
    if (char real[PATH_MAX]; ::realpath(root.c_str(), real)) root = real;

    hd::log::DeviceLogFile logFile(root + "/hdagent.log");
    hd::log::SetSink(&logFile);
    if (options.log) hd::log::SetEnabled(true);
    ReadLogSetting();
    ApplyReadWaitOverride();

    const std::string bindAddr = hd::ListenAddress(options, device);
    std::string allowed;
    for (const std::string& a : options.allowTexts) allowed += " " + a;
    std::printf("hdlisten: listening on %s:%u, device %s%s, root %s%s%s\n", bindAddr.c_str(),
                unsigned(options.port), device.c_str(), options.device == "auto" ? " (auto)" : "",
                root.c_str(), allowed.empty() ? "" : ", allowing", allowed.c_str());
    if (hd::ExposesMachine(device)) {
        const std::string what =
            device == "x11"
                ? std::string("the X display ") + (display && *display ? display : "(none set)")
            : device == "wayland"
                ? std::string("the Wayland display ") +
                      (waylandDisplay && *waylandDisplay ? waylandDisplay : "(none set)")
                : std::string("this display");
        if (bindAddr == "127.0.0.1" && options.bindAddr.empty())
            std::printf(
                "hdlisten: only this machine can connect: whoever connects controls %s.\n"
                "hdlisten: to let other machines in: hdlisten --device %s --allow ADDR[/BITS]"
                " (or --bind 0.0.0.0 for everyone)\n",
                what.c_str(), device.c_str());
        else
            std::printf("hdlisten: warning: %s who can reach port %u controls %s\n",
                        allowed.empty() ? "anyone" : "any allowed peer", unsigned(options.port),
                        what.c_str());
    }
    std::fflush(stdout);

    int exitCode = 1;
    {
        hd::ConnectionAcceptor cm(options.port, bindAddr, {device, root, ""}, options.allow);
        std::atomic<bool> done{false};
        std::atomic<int> caught{0};
        std::thread signals([&] {
            pthread_setname_np(pthread_self(), "signals");
            int sig = 0;
            if (sigwait(&stopSignals, &sig) == 0 && !done.load()) {
                caught.store(sig);
                cm.Interrupt();
            }
        });
        hd::ServiceAnnouncer announcer(options.port, device, hd::AnnouncedScreenSize(device),
                                       hd::InterfaceForAddress(bindAddr));
        if (options.announce) announcer.Start();
        hd::ConnectionLoop wm(cm);
        const bool stopped = wm.Run();
        // Wake the signal thread if no signal came; a thread that already
        // returned just leaves this one pending.
        done.store(true);
        pthread_kill(signals.native_handle(), SIGTERM);
        signals.join();
        announcer.Stop();
        if (stopped) {
            std::printf("hdlisten: stopped (%s)\n", strsignal(caught.load()));
            exitCode = 0;
        } else {
            std::fprintf(stderr, "hdlisten: %s\n", wm.ExitReason());
        }
    }
    hd::log::SetSink(nullptr);
    std::fflush(stdout);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    hd::Options options;
    std::string error;
    if (!hd::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "hdlisten: %s\n%s", error.c_str(), hd::Usage());
        return 2;
    }
    if (options.help) {
        std::fputs(hd::Usage(), stdout);
        return 0;
    }
    // Before any thread exists, so that every thread inherits the mask and
    // only the sigwait thread ever sees these signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // Sockets write with MSG_NOSIGNAL; nothing else may end the program on a broken pipe.
    signal(SIGPIPE, SIG_IGN);
    // A file past the size limit must fail its write (and the transfer), not
    // end the listener.
    signal(SIGXFSZ, SIG_IGN);
    return Serve(options, stopSignals);
}
