#include "desktop/cli/CliOptions.h"

#include <cstring>

#include "desktop/session/DesktopChannel.h"

namespace hd::cli {

const char* Usage() {
    return "usage: handrel-cli [options] COMMAND [ARGS]\n"
           "\n"
           "options:\n"
           "  --host HOST[:PORT]   connect over TCP/IP to hdlisten (port 5492 by default)\n"
           "  --ssh [USER@]HOST[:SSHPORT][/PORT]\n"
           "                       connect through ssh (your keys and known_hosts) to an\n"
           "                       hdlisten --bind 127.0.0.1 on HOST (port 5492 by default)\n"
           "  --local              use the local link to the built-in agent (the default)\n"
           "  --device KIND        the local link's device: virtual (default) or linux\n"
           "  --root DIR           the local link's device root folder\n"
           "  --sensitivity 0|1|2  broken-connection sensitivity: High, Medium, Low\n"
           "  --log                desktop and device logging on\n"
           "  --settings FILE      use another settings file\n"
           "  --no-screen-extension\n"
           "                       ask for the plain screen updates only (the extended\n"
           "                       encoding is offered by default)\n"
           "\n"
           "commands:\n";
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
    int i = 1;
    auto value = [&](const char* name, std::string& out) {
        if (i + 1 >= argc) {
            error = std::string(name) + " needs a value";
            return false;
        }
        out = argv[++i];
        return true;
    };
    for (; i < argc; ++i) {
        const char* a = argv[i];
        std::string v;
        if (std::strcmp(a, "--host") == 0) {
            if (!value(a, o.host)) return false;
            std::string h;
            uint16_t port;
            if (!desktop::SplitHostPort(o.host, h, port)) {
                error = "bad host: " + o.host;
                return false;
            }
        } else if (std::strcmp(a, "--ssh") == 0) {
            if (!value(a, v)) return false;
            o.host = desktop::kSshScheme + v;
            desktop::SshTarget target;
            if (!desktop::ParseSshHost(o.host, target)) {
                error = "bad ssh host: " + v;
                return false;
            }
        } else if (std::strcmp(a, "--local") == 0) {
            o.host.clear();
        } else if (std::strcmp(a, "--device") == 0) {
            if (!value(a, o.device)) return false;
            if (o.device != "virtual" && o.device != "linux") {
                error = "unknown device: " + o.device;
                return false;
            }
        } else if (std::strcmp(a, "--root") == 0) {
            if (!value(a, o.root)) return false;
        } else if (std::strcmp(a, "--sensitivity") == 0) {
            if (!value(a, v)) return false;
            if (v != "0" && v != "1" && v != "2") {
                error = "sensitivity must be 0, 1 or 2";
                return false;
            }
            o.sensitivity = v[0] - '0';
        } else if (std::strcmp(a, "--log") == 0) {
            o.log = true;
        } else if (std::strcmp(a, "--no-screen-extension") == 0) {
            o.screenExtension = false;
        } else if (std::strcmp(a, "--settings") == 0) {
            if (!value(a, o.settingsFile)) return false;
        } else if (a[0] == '-' && a[1] == '-') {
            error = std::string("unknown option ") + a;
            return false;
        } else {
            break;
        }
    }
    if (i >= argc) {
        error = "no command given";
        return false;
    }
    o.command = argv[i++];
    for (; i < argc; ++i) o.args.push_back(argv[i]);
    return true;
}

desktop::HostList CliSettings::Hosts() {
    if (m_options.host.empty()) return m_store.ReadHosts();
    desktop::HostList list;
    list.hosts.push_back(m_options.host);
    return list;
}

int CliSettings::Sensitivity() {
    return m_options.sensitivity >= 0 ? m_options.sensitivity : m_store.BrokenSensitivity();
}

uint16_t CliSettings::Flags() {
    uint16_t flags = m_store.LoadFlags() & ~(desktop::FLAG_FAST | desktop::FLAG_SLOW);
    if (!m_options.host.empty()) flags |= desktop::FLAG_FAST;  // TCP/IP (LAN)
    if (m_options.log) flags |= desktop::FLAG_DEVICE_LOG | desktop::FLAG_DESKTOP_LOG;
    return flags;
}

}  // namespace hd::cli
