// hdlisten's command line: every option is optional. Parsed once on the main
// thread by the composition root; parsing never exits or prints, so the
// caller decides what a bad option costs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listener/PeerAllowList.h"

namespace hd {

struct Options {
    uint16_t port = 5492;
    std::string bindAddr;         // empty: not given (ListenAddress decides)
    std::string device = "auto";  // auto, virtual, linux or x11
    std::string root;             // empty: the per-user default folder
    bool log = false;
    bool announce = true;  // --no-announce: not on DNS-SD
    bool help = false;
    PeerAllowList allow;
    std::vector<std::string> allowTexts;  // as given, for the start line
};

// The backends that hand the whole machine (its display and input) to
// whoever connects, not just a virtual handheld.
bool ExposesMachine(const std::string& device);

// Where to listen: --bind when given; else every address for the virtual
// handheld or when --allow names the peers; else loopback only.
std::string ListenAddress(const Options& options, const std::string& device);

// False with a one-line reason in error when an option is unknown, lacks its
// value or has a bad one.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);
const char* Usage();

}  // namespace hd
