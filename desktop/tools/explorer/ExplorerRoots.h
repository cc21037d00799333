// The explorer tree's roots in their order: the desktop's volumes ("/"
// first, then the other mount points by path), the user's home folder, and
// the handheld's root "1:\" always last. A pure function; the caller asks the
// system which volumes are mounted.
#pragma once

#include <string>
#include <vector>

namespace hd::tools {

struct ExplorerRoot {
    enum Kind { Volume, Home, Handheld };
    Kind kind = Volume;
    std::string path;  // "/", "/home/ann", "1:\"
};

inline constexpr const char* kHandheldRoot = "1:\\";

// Mount points may come in any order and repeat; a home folder that is itself
// a mount point is listed once, as the home.
std::vector<ExplorerRoot> ExplorerRoots(std::vector<std::string> mountPoints,
                                        const std::string& home);

}  // namespace hd::tools
