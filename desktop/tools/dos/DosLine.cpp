#include "desktop/tools/dos/DosLine.h"

#include <cctype>

namespace hd::tools::dos {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
}  // namespace

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string CommandLineOf(std::string_view line) {
    if (line.empty() || line.find(':') != 1) return {};
    const size_t gt = line.find('>');
    if (gt == std::string_view::npos || gt == 0) return {};
    return Trim(line.substr(gt + 1));
}

Split SplitCommand(std::string_view line) {
    constexpr size_t npos = std::string_view::npos;
    size_t at = line.find(' ');
    const size_t dot = line.find('.');
    if (dot != npos && dot > 0 && dot < at) at = dot;  // npos compares above every position
    const size_t backslash = line.find('\\');
    if (backslash != npos && backslash > 0 && backslash < at) at = backslash;
    if (at == npos) return {Trim(line), {}};
    return {Trim(line.substr(0, at)), Trim(line.substr(at))};
}

bool IsDriveChar(char c) {
    return c == '1' || IsLetter(c);
}

bool IsDriveWord(std::string_view w) {
    if (w.size() != 2 || w[1] != ':') return false;
    const char c = w[0];
    return c == '1' || (c >= 'b' && c <= 'y') || (c >= 'B' && c <= 'Y');
}

std::string DriveKey(char drive) {
    return std::string(1, char(std::toupper(uint8_t(drive)))) + ":";
}

std::string DriveRoot(std::string_view path) {
    return DriveKey(path.empty() ? '1' : path[0]) + "\\";
}

bool UsableDirectory(std::string_view dir, char drive) {
    return dir.size() >= 3 && std::toupper(uint8_t(dir[0])) == std::toupper(uint8_t(drive)) &&
           dir[1] == ':' && dir[2] == '\\' && dir.back() == '\\';
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool EndsWithBackslash(std::string_view text) {
    return !text.empty() && text.back() == '\\';
}

std::string ParentDirectory(std::string_view dir) {
    std::string_view d = dir;
    if (EndsWithBackslash(d)) d.remove_suffix(1);
    const size_t slash = d.rfind('\\');
    // No backslash left means dir was a root such as "1:\".
    if (slash == std::string_view::npos) return std::string(dir);
    return std::string(d.substr(0, slash + 1));
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string Shown(std::string_view path) {
    if (path.size() >= 2 && path[0] == '1' && path[1] == ':') return std::string(path.substr(2));
    return std::string(path);
}

bool AddressableName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("\\/\0", 3)) == std::string_view::npos;
}

std::string Resolve(std::string_view arg, std::string_view current,
                    const std::function<std::string(char drive)>& remembered) {
    if (arg.empty() || arg == ".") return std::string(current);
    if (arg == "..") return ParentDirectory(current);
    if (arg[0] == '\\') return std::string(current.substr(0, 2)) + std::string(arg);
    if (arg.size() >= 2 && arg[1] == ':' && IsDriveChar(arg[0])) {
        if (arg.size() >= 3 && arg[2] == '\\') return std::string(arg);
        return remembered(arg[0]) + std::string(arg.substr(2));
    }
    return std::string(current) + std::string(arg);
}

}  // namespace hd::tools::dos
