// handrel-cli: the desktop session and its tools from a terminal.
#include "desktop/cli/Cli.h"

int main(int argc, char** argv) {
    return hd::cli::Main(argc, argv);
}
