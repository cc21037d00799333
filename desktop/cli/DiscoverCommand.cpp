// discover: lists the devices that announce themselves on the network with
// DNS-SD, one per line, after listening for a few seconds. Needs no
// connection, so it runs before any session exists.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "desktop/cli/Command.h"
#include "desktop/session/DeviceBrowser.h"

namespace hd::cli {

namespace {

constexpr long kMaxSeconds = 600;

bool ParseSeconds(const std::vector<std::string>& args, long& seconds) {
    seconds = 3;
    if (args.empty()) return true;
    char* end = nullptr;
    seconds = std::strtol(args[0].c_str(), &end, 10);
    return args.size() == 1 && !args[0].empty() && *end == '\0' && seconds > 0 &&
           seconds <= kMaxSeconds;
}

std::string CheckDiscover(const std::vector<std::string>& args) {
    long seconds = 0;
    return ParseSeconds(args, seconds) ? "" : "discover takes SECONDS, 1 to 600";
}

int Unused(Context&) {
    return EXIT_FAILED;
}

int Discover(const std::vector<std::string>& args) {
    long seconds = 0;
    ParseSeconds(args, seconds);
    desktop::DeviceBrowser browser;
    std::string error;
    if (!browser.Start(error)) {
        Fail(error);
        return EXIT_FAILED;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::vector<desktop::FoundDevice> devices = browser.Devices();
    browser.Stop();
    for (const desktop::FoundDevice& d : devices)
        std::printf("%s\t%s:%u\t%s\t%s\n", d.name.c_str(), d.address.c_str(), unsigned(d.port),
                    d.kind.empty() ? "-" : d.kind.c_str(),
                    d.screen.empty() ? "-" : d.screen.c_str());
    if (devices.empty()) std::fprintf(stderr, "handrel-cli: no devices found\n");
    return EXIT_DONE;
}

}  // namespace

std::vector<Command> DiscoverCommands() {
    Command discover{"discover",
                     "discover [SECONDS]",
                     "list the devices announced on the network (listens 3 seconds)",
                     CheckDiscover,
                     Unused,
                     false};
    discover.runAlone = Discover;
    return {discover};
}

}  // namespace hd::cli
