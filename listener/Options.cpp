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
    return "usage: hdlisten [--port N] [--bind ADDR] [--device auto|virtual|linux|x11]\n"
           "                [--root DIR] [--log] [--help]\n"
           "  --port N      TCP port of both channels (default 5492)\n"
           "  --bind ADDR   IPv4 address to listen on (default 0.0.0.0)\n"
           "  --device D    device backend; auto picks x11 when $DISPLAY opens, else\n"
           "                linux when /dev/fb0 opens, else virtual\n"
           "  --root DIR    device root folder (default $XDG_DATA_HOME/handrel/device,\n"
           "                else ~/.local/share/handrel/device)\n"
           "  --log         turn the device log (hdagent.log) on\n";
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
        if (name == "--log") {
            if (hasValue) {
                error = "--log takes no value";
                return false;
            }
            o.log = true;
            continue;
        }
        if (name != "--port" && name != "--bind" && name != "--device" && name != "--root") {
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
        } else if (name == "--device") {
            if (value != "auto" && value != "virtual" && value != "linux" && value != "x11") {
                error = "bad device '" + value + "' (auto, virtual, linux or x11)";
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
