// handrel-cli's commands. Each command checks its own arguments, then runs
// over a connected session; the table in Commands.cpp lists them all. A
// command returns one of the exit codes and writes a one-line message on
// standard error for every failure (Fail).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "desktop/cli/CliOptions.h"
#include "desktop/session/Session.h"

namespace hd::cli {

enum Exit { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2, EXIT_NO_CONNECTION = 3 };

// What a running command may use.
struct Context {
    const Options& options;
    desktop::Session& session;
    desktop::Settings& store;
    std::atomic<bool>& lost;  // the receiver asked to disconnect
};

struct Command {
    const char* name;
    const char* synopsis;  // one usage line, e.g. "screenshot FILE.png"
    const char* summary;
    // Checks the arguments before anything is connected: "" when usable,
    // else the message.
    std::string (*check)(const std::vector<std::string>& args);
    int (*run)(Context& context);
    bool needsScreen;  // waits for the screen channel to be open
    // Set for a command that needs no connection: runs instead of run,
    // before any session exists.
    int (*runAlone)(const std::vector<std::string>& args) = nullptr;
};

const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// One line on standard error, prefixed with the program's name.
void Fail(const std::string& text);

// The lists of each file of commands (one per tool).
std::vector<Command> ScreenCommands();
std::vector<Command> FileCommands();
std::vector<Command> DosCommands();
std::vector<Command> ManagerCommands();
std::vector<Command> DiscoverCommands();

}  // namespace hd::cli
