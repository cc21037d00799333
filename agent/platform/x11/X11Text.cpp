#include "agent/platform/x11/X11Text.h"

namespace hd::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void PutUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The next code point of UTF-8 text at i; malformed sequences (overlong,
// surrogates, past U+10FFFF, cut short) take one byte and give U+FFFD.
char32_t NextUtf8(std::string_view s, size_t& i) {
    const unsigned char b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int more = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) {
        more = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        more = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        more = 3, c = b & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    size_t j = i;
    for (int k = 0; k < more; ++k, ++j) {
        if (j >= s.size() || (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80) return kReplacement;
        c = c << 6 | (static_cast<unsigned char>(s[j]) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    i = j;
    return c;
}

void PutUtf16(char32_t c, std::vector<uint8_t>& out) {
    auto unit = [&out](uint32_t u) {
        out.push_back(uint8_t(u));
        out.push_back(uint8_t(u >> 8));
    };
    if (c < 0x10000) {
        unit(c);
    } else {
        c -= 0x10000;
        unit(0xD800 | (c >> 10));
        unit(0xDC00 | (c & 0x3FF));
    }
}

}  // namespace

std::string Utf16LeToUtf8(const uint8_t* data, size_t size) {
    std::string out;
    const size_t units = size / 2;
    for (size_t i = 0; i < units; ++i) {
        char32_t u = char32_t(data[2 * i] | data[2 * i + 1] << 8);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = char32_t(data[2 * i + 2] | data[2 * i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = kReplacement;
        PutUtf8(u, out);
    }
    return out;
}

std::vector<uint8_t> Utf8ToUtf16Le(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() * 2 + 2);
    for (size_t i = 0; i < text.size();) PutUtf16(NextUtf8(text, i), out);
    PutUtf16(0, out);
    return out;
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        if (ch == 0) break;
        PutUtf8(static_cast<unsigned char>(ch), out);
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char32_t c = NextUtf8(text, i);
        out += c <= 0xFF ? char(c) : '?';
    }
    return out;
}

}  // namespace hd::platform
