// Paths that carry their location: "1:" followed by a handheld path
// ("1:\My Documents\a.txt") lies on the handheld, anything else is a native
// POSIX path on the desktop. Pure string functions, any thread; they never
// touch either file system.
#pragma once

#include <string>
#include <string_view>

namespace hd::tools {

// Only the first character decides, as the client does.
inline bool IsDevicePath(std::string_view path) {
    return !path.empty() && path[0] == '1';
}
// The handheld path without its two-character prefix ("1:\a" -> "\a").
std::string StripLocation(std::string_view path);
// "\" on the handheld, "/" on the desktop.
inline char PathSeparator(std::string_view path) {
    return IsDevicePath(path) ? '\\' : '/';
}
// folder + name with the folder's separator inserted only when the folder
// does not already end in one ("1:\" + "a" -> "1:\a", "/tmp" + "a" -> "/tmp/a").
std::string JoinPath(std::string_view folder, std::string_view name);
// The last component ("1:\a\b.txt" -> "b.txt", "/x/y/" -> "y"); empty for a root.
std::string LastComponent(std::string_view path);
// The folder holding the last component ("1:\a\b" -> "1:\a", "1:\a" -> "1:\",
// "/x/y" -> "/x", "/x" -> "/", "y" -> "."); a root is its own parent.
std::string ParentPath(std::string_view path);
// True for a name that may be joined to a desktop folder: not empty, not "."
// or "..", no "/" and no NUL. Names from a handheld listing are checked with
// it before any desktop path is built from them.
bool IsSafeEntryName(std::string_view name);

}  // namespace hd::tools
