#include "common/AgentLocation.h"

#include <stdlib.h>
#include <unistd.h>

#include <climits>

// Set by the build from the install folders: the agent's folder relative to
// the programs' folder, so an installed tree can be moved as a whole.
#ifndef HD_AGENT_DIR_FROM_BIN
#define HD_AGENT_DIR_FROM_BIN "../lib/handrel"
#endif

namespace hd {

std::string ProgramFolder() {
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return {};
    std::string dir(exe, size_t(n));
    size_t slash = dir.rfind('/');
    if (slash == std::string::npos) return {};
    dir.resize(slash);
    return dir;
}

std::string AgentLibraryNear(const std::string& programDir) {
    if (programDir.empty()) return {};
    for (const std::string& dir :
         {programDir + "/" HD_AGENT_DIR_FROM_BIN, programDir + "/../lib"}) {
        std::string path = dir + "/libhdagent.so";
        // Without the ../ the path reads well in messages and logs.
        char real[PATH_MAX];
        if (::access(path.c_str(), F_OK) == 0) return ::realpath(path.c_str(), real) ? real : path;
    }
    return {};
}

std::string X11ModuleBeside(const std::string& agentPath) {
    size_t slash = agentPath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : agentPath.substr(0, slash);
    return dir + "/libhdagent-x11.so";
}

std::string WaylandModuleBeside(const std::string& agentPath) {
    size_t slash = agentPath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : agentPath.substr(0, slash);
    return dir + "/libhdagent-wayland.so";
}

}  // namespace hd
