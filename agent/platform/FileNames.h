// File names between the desktop's UTF-16 and the file system's UTF-8 bytes:
// strict conversions (a lone surrogate or a malformed byte sequence is an
// error, never guessed at), the case folding used for name lookup and
// patterns, and the device path split into its elements. Pure functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hd::platform {

// False on a lone surrogate.
bool Utf16ToUtf8(std::u16string_view in, std::string& out);
// False on malformed UTF-8 (overlong forms, surrogates, past U+10FFFF).
bool Utf8ToUtf32(std::string_view in, std::u32string& out);
std::u16string Utf32ToUtf16(std::u32string_view in);
// For log lines: at most maxUnits units, a lone surrogate becomes '?'.
std::string Utf16ToLogText(std::u16string_view in, size_t maxUnits);

// Simple case folding (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic),
// enough to make names that differ only in letter case equal.
char32_t FoldCase(char32_t c);
bool SameNameIgnoringCase(std::u32string_view a, std::u32string_view b);

// A name the file system may be asked to create: not "." or "..", none of
// the characters Windows refuses in names (wildcards, < > : " | and
// control characters).
bool IsCreatableName(std::u32string_view name);

enum class PathResult { Ok, Invalid, Escapes };
// Splits a device path on '\' and '/' into UTF-8 elements: empty and "."
// elements are dropped (both mean "here"), ".." is refused as Escapes since
// nothing may climb out of the root, a lone surrogate is Invalid. The
// elements never contain '/' or NUL.
PathResult SplitDevicePath(std::u16string_view path, std::vector<std::string>& elements);

}  // namespace hd::platform
