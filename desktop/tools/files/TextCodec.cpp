#include "desktop/tools/files/TextCodec.h"

#include <cstdint>

namespace hd::tools {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

// One code point from s at i; false for a malformed sequence (i then moves
// past its first byte).
bool NextUtf8(std::string_view s, size_t& i, char32_t& cp) {
    const uint8_t b = uint8_t(s[i]);
    size_t n = 0;
    char32_t min = 0;
    if (b < 0x80) {
        cp = b;
        ++i;
        return true;
    } else if ((b & 0xE0) == 0xC0) {
        n = 1, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 2, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 3, cp = b & 0x07, min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (s.size() - i <= n) {
        ++i;
        return false;
    }
    for (size_t k = 1; k <= n; ++k) {
        const uint8_t c = uint8_t(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = cp << 6 | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += n + 1;
    return true;
}

void PutUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        out += char16_t(cp);
    }
}

void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
}  // namespace

bool Utf8ToUtf16(std::string_view in, std::u16string& out) {
    std::u16string result;
    result.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        char32_t cp;
        if (!NextUtf8(in, i, cp)) return false;
        PutUtf16(result, cp);
    }
    out = std::move(result);
    return true;
}

std::u16string Utf8ToUtf16Lossy(std::string_view in) {
    std::u16string result;
    result.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        char32_t cp;
        PutUtf16(result, NextUtf8(in, i, cp) ? cp : kReplacement);
    }
    return result;
}

std::string Utf16ToUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t u = in[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = kReplacement;
        }
        PutUtf8(out, u);
    }
    return out;
}

}  // namespace hd::tools
