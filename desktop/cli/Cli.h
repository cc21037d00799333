// handrel-cli's driver: opens the log and the session, runs one command and
// closes everything again. Main thread only.
#pragma once

#include "desktop/cli/Command.h"

namespace hd::cli {

// The usage text with every command's synopsis.
std::string FullUsage();
// Parses, checks and runs; returns the exit code.
int Main(int argc, char** argv);

}  // namespace hd::cli
