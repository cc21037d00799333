// X11Text: the text conversions between the clipboard's UTF-16LE blocks and
// the UTF-8 and Latin-1 of X properties. Lenient, as a clipboard must be: a
// lone surrogate or a malformed byte becomes U+FFFD, never an error. Pure
// functions, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hd::platform {

// UTF-16LE bytes up to the first NUL unit (an odd last byte is dropped).
std::string Utf16LeToUtf8(const uint8_t* data, size_t size);
// UTF-8 to UTF-16LE bytes with a terminating NUL unit.
std::vector<uint8_t> Utf8ToUtf16Le(std::string_view text);
// Latin-1 up to the first NUL, to UTF-8.
std::string Latin1ToUtf8(std::string_view text);
// UTF-8 to Latin-1; characters past U+00FF become '?'.
std::string Utf8ToLatin1(std::string_view text);

}  // namespace hd::platform
