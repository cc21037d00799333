// UTF-8 (the desktop's 8-bit text) to and from UTF-16 (the handheld's text).
// Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace hd::tools {

// Strict: false (out unchanged) for malformed UTF-8. Used for paths, which
// must never be changed by a conversion.
bool Utf8ToUtf16(std::string_view in, std::u16string& out);
// Lenient: malformed sequences become U+FFFD. Used for clipboard text.
std::u16string Utf8ToUtf16Lossy(std::string_view in);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view in);

}  // namespace hd::tools
