// One handrel-cli run for whole-system tests: standard input from a text,
// standard output and error captured (together, or apart when asked), waited
// for with a bound and killed when it hangs.
#pragma once

#include <string>
#include <vector>

namespace hd::test {

struct CliRun {
    int code = -1;    // the exit code; -1 when it did not end in time, -2 on a signal
    std::string out;  // standard output (and error, when merged)
    std::string err;  // standard error when kept apart
};

// dir holds the run's files and is the program's XDG_STATE_HOME.
CliRun RunCli(const std::vector<std::string>& args, const std::string& dir,
              const std::string& input = "", bool mergeErrors = true, int timeoutMs = 20000);

}  // namespace hd::test
