// hdlisten's command line: every option is optional. Parsed once on the main
// thread by the composition root; parsing never exits or prints, so the
// caller decides what a bad option costs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hd {

struct Options {
    uint16_t port = 5492;
    std::string bindAddr = "0.0.0.0";
    std::string device = "auto";  // auto, virtual, linux or x11
    std::string root;             // empty: the per-user default folder
    bool log = false;
    bool help = false;
};

// False with a one-line reason in error when an option is unknown, lacks its
// value or has a bad one.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);
const char* Usage();

}  // namespace hd
