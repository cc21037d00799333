// The DOS console's line handling: the command line behind the prompt, the
// split into command word and argument, and the console's paths ("1:\a\" on
// the handheld, "C:\tmp\" on a desktop drive: a drive, a colon, backslashes).
// Pure string functions, any thread; they never touch a file system.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace hd::tools::dos {

// Spaces, tabs and line-break characters removed from both ends.
std::string Trim(std::string_view text);

// The command line of the line holding the caret: the text after its first
// '>', trimmed, when the line's first ':' is its second character and a '>'
// follows; otherwise empty (not a prompt line).
std::string CommandLineOf(std::string_view caretLine);

struct Split {
    std::string word;      // compared exactly, case and all
    std::string argument;  // trimmed
};
// The split point is the first space, moved forward to the first '.' and
// then to the first '\' when those come earlier (but not at position 0), so
// "cd..", "cd\Windows" and "dir *.txt" all split after the command word.
Split SplitCommand(std::string_view commandLine);

// A drive character: '1' (the handheld) or a letter.
bool IsDriveChar(char c);
// A command word that changes drive: "1:" or b..y / B..Y and a colon.
bool IsDriveWord(std::string_view word);
// The name a drive is remembered under: "1:", or the letter in upper case
// and a colon.
std::string DriveKey(char drive);
// "X:\" for the drive the path is on.
std::string DriveRoot(std::string_view path);
// A remembered directory that can be used for the drive: "X:\..." on that
// drive, ending in a backslash (a cut or foreign value is not).
bool UsableDirectory(std::string_view dir, char drive);

bool HasWildcards(std::string_view text);
bool EndsWithBackslash(std::string_view text);
// "1:\a\b\" -> "1:\a\"; a root is its own parent.
std::string ParentDirectory(std::string_view dir);
// The folder part, up to and with the last backslash ("1:\a\*.txt" -> "1:\a\").
std::string FolderOf(std::string_view path);
// A path as the console shows it to the user: a handheld path without "1:".
std::string Shown(std::string_view path);
// A name from a listing that can be put behind a folder: not empty, "." or
// "..", and free of separators ('\', '/') and NULs.
bool AddressableName(std::string_view name);

// An argument resolved against the current directory: empty and "." give
// it, ".." its parent, "\x" the same drive's "X:\x", "X:\x" stays as it is,
// "X:" and "X:x" the remembered directory of that drive plus "x", anything
// else is appended. remembered gives a drive's remembered directory or its
// root.
std::string Resolve(std::string_view argument, std::string_view current,
                    const std::function<std::string(char drive)>& remembered);

}  // namespace hd::tools::dos
