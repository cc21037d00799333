#include "desktop/tools/explorer/ExplorerRoots.h"

#include <algorithm>

namespace hd::tools {

std::vector<ExplorerRoot> ExplorerRoots(std::vector<std::string> mountPoints,
                                        const std::string& home) {
    for (std::string& m : mountPoints)
        while (m.size() > 1 && m.back() == '/') m.pop_back();
    // "/" sorts before every other absolute path.
    std::sort(mountPoints.begin(), mountPoints.end());
    mountPoints.erase(std::unique(mountPoints.begin(), mountPoints.end()), mountPoints.end());
    std::vector<ExplorerRoot> roots;
    for (const std::string& m : mountPoints)
        if (!m.empty() && m[0] == '/' && m != home) roots.push_back({ExplorerRoot::Volume, m});
    if (!home.empty() && home != "/") roots.push_back({ExplorerRoot::Home, home});
    roots.push_back({ExplorerRoot::Handheld, kHandheldRoot});
    return roots;
}

}  // namespace hd::tools
