#include "desktop/tools/files/Location.h"

namespace hd::tools {

namespace {
bool IsSep(char c, bool device) {
    return device ? c == '\\' : c == '/';
}
// Where the root ends: "1:\" (3) on the handheld, "/" (1) on the desktop.
size_t RootLength(std::string_view path, bool device) {
    if (device) {
        size_t n = path.size() >= 2 ? 2 : path.size();
        if (path.size() > n && path[n] == '\\') ++n;
        return n;
    }
    return !path.empty() && path[0] == '/' ? 1 : 0;
}
}  // namespace

std::string StripLocation(std::string_view path) {
    return std::string(path.size() >= 2 ? path.substr(2) : std::string_view{});
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    const char sep = PathSeparator(folder);
    if (out.empty() || out.back() != sep) out += sep;
    out += name;
    return out;
}

std::string LastComponent(std::string_view path) {
    const bool device = IsDevicePath(path);
    const size_t root = RootLength(path, device);
    size_t end = path.size();
    while (end > root && IsSep(path[end - 1], device)) --end;
    size_t begin = end;
    while (begin > root && !IsSep(path[begin - 1], device)) --begin;
    return std::string(path.substr(begin, end - begin));
}

std::string ParentPath(std::string_view path) {
    const bool device = IsDevicePath(path);
    const size_t root = RootLength(path, device);
    size_t end = path.size();
    while (end > root && IsSep(path[end - 1], device)) --end;
    while (end > root && !IsSep(path[end - 1], device)) --end;
    if (end == 0) return ".";
    while (end > root && IsSep(path[end - 1], device)) --end;
    if (end == root && device && root == 2) return std::string(path.substr(0, 2)) + "\\";
    return std::string(path.substr(0, end));
}

bool IsSafeEntryName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\0') return false;
    return true;
}

}  // namespace hd::tools
