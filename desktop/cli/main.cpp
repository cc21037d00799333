// handrel-cli: the desktop session and its tools from a terminal.
#include <cstdio>
#include <string>

#include "desktop/cli/Cli.h"

int main(int argc, char** argv) {
    hd::cli::Options options;
    std::string error;
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(hd::cli::Usage(), stdout);
        return 0;
    }
    if (!hd::cli::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "handrel-cli: %s\n%s", error.c_str(), hd::cli::Usage());
        return hd::cli::EXIT_USAGE;
    }
    return hd::cli::Run(options);
}
