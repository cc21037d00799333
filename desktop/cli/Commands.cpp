#include <cstdio>

#include "desktop/cli/Command.h"

namespace hd::cli {

void Fail(const std::string& text) {
    std::fprintf(stderr, "handrel-cli: %s\n", text.c_str());
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> v;
        // One line per file of commands.
        for (auto& c : ScreenCommands()) v.push_back(c);
        for (auto& c : FileCommands()) v.push_back(c);
        for (auto& c : DosCommands()) v.push_back(c);
        for (auto& c : ManagerCommands()) v.push_back(c);
        for (auto& c : DiscoverCommands()) v.push_back(c);
        return v;
    }();
    return all;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace hd::cli
