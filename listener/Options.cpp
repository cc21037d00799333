#include "listener/Options.h"

#include <arpa/inet.h>

#include <charconv>

namespace hd {

namespace {
bool ParsePort(const std::string& text, uint16_t& port) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    // Port 0 would move on every new listening socket; the desktop needs a fixed one.
    if (ec != std::errc() || p != end || value == 0 || value > 65535) return false;
    port = uint16_t(value);
    return true;
}
}  // namespace

const char* Usage() {
    return "usage: hdlisten [--port N] [--bind ADDR] [--allow ADDR[/BITS]]...\n"
           "                [--device auto|virtual|linux|x11|wayland] [--root DIR] [--log]\n"
           "                [--no-announce] [--help]\n"
           "  --port N      TCP port of both channels (default 5492)\n"
           "  --bind ADDR   IPv4 address to listen on (default 0.0.0.0 for the virtual\n"
           "                device or with --allow, else 127.0.0.1: the x11, wayland\n"
           "                and linux devices hand this machine to whoever connects)\n"
           "  --allow NET   serve only peers in NET (ADDR or ADDR/BITS); repeatable,\n"
           "                every other peer is refused before a byte is read\n"
           "  --device D    device backend; auto picks wayland when $WAYLAND_DISPLAY\n"
           "                connects, else x11 when $DISPLAY opens, else linux when\n"
           "                /dev/fb0 opens, else virtual\n"
           "  --root DIR    device root folder (default $XDG_DATA_HOME/handrel/device,\n"
           "                else ~/.local/share/handrel/device)\n"
           "  --log         turn the device log (hdagent.log) on\n"
           "  --no-announce do not announce this device on the network (DNS-SD)\n";
}

bool ExposesMachine(const std::string& device) {
    return device == "x11" || device == "wayland" || device == "linux";
}

std::string ListenAddress(const Options& options, const std::string& device) {
    if (!options.bindAddr.empty()) return options.bindAddr;
    if (!options.allow.Empty() || !ExposesMachine(device)) return "0.0.0.0";
    return "127.0.0.1";
}

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            o.help = true;
            continue;
        }
        if (name == "--no-announce") {
            if (hasValue) {
                error = "--no-announce takes no value";
                return false;
            }
            o.announce = false;
            continue;
        }
        if (name == "--log") {
            if (hasValue) {
                error = "--log takes no value";
                return false;
            }
            o.log = true;
            continue;
        }
        if (name != "--port" && name != "--bind" && name != "--device" && name != "--root" &&
            name != "--allow") {
            error = "unknown option " + args[i];
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (name == "--port") {
            if (!ParsePort(value, o.port)) {
                error = "bad port '" + value + "' (1-65535)";
                return false;
            }
        } else if (name == "--bind") {
            in_addr a{};
            if (inet_pton(AF_INET, value.c_str(), &a) != 1) {
                error = "bad IPv4 address '" + value + "'";
                return false;
            }
            o.bindAddr = value;
        } else if (name == "--allow") {
            if (!o.allow.Add(value)) {
                error = "bad --allow '" + value + "' (IPv4 ADDR or ADDR/BITS, BITS 0-32)";
                return false;
            }
            o.allowTexts.push_back(value);
        } else if (name == "--device") {
            if (value != "auto" && value != "virtual" && value != "linux" && value != "x11" &&
                value != "wayland") {
                error = "bad device '" + value + "' (auto, virtual, linux, x11 or wayland)";
                return false;
            }
            o.device = value;
        } else {
            if (value.empty()) {
                error = "--root needs a folder";
                return false;
            }
            o.root = value;
        }
    }
    return true;
}

}  // namespace hd
