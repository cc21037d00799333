// handrel-cli's commands over the desktop session: screenshot, watch, stats.
// Runs on the main thread; messages go to standard error with the program's
// name, results to standard output.
#pragma once

#include "desktop/cli/CliOptions.h"

namespace hd::cli {

enum Exit { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2, EXIT_NO_CONNECTION = 3 };

int Run(const Options& options);

}  // namespace hd::cli
