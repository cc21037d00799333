// Where a program finds the agent library it loads at run time, in the
// installed layout as in the build tree.
#pragma once

#include <string>

namespace hd {

// The folder holding the running program; empty when /proc/self/exe is unreadable.
std::string ProgramFolder();
// libhdagent.so for a program in programDir: the installed layout's private
// library folder first, then the build tree's ../lib. Empty when neither holds
// it, so the caller can fall back to the loader's own search. Canonical.
std::string AgentLibraryNear(const std::string& programDir);
// The X11 backends module the agent at agentPath loads: beside it.
std::string X11ModuleBeside(const std::string& agentPath);
// The Wayland backends module the agent at agentPath loads: beside it.
std::string WaylandModuleBeside(const std::string& agentPath);

}  // namespace hd
