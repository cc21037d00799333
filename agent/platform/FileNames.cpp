#include "agent/platform/FileNames.h"

namespace hd::platform {

namespace {

bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The code point starting at in[i], advancing i; false on a lone surrogate.
bool NextUtf16(std::u16string_view in, size_t& i, char32_t& c) {
    char32_t u = in[i++];
    if (IsLowSurrogate(u)) return false;
    if (IsHighSurrogate(u)) {
        if (i >= in.size() || !IsLowSurrogate(in[i])) return false;
        u = 0x10000 + ((u - 0xD800) << 10) + (char32_t(in[i++]) - 0xDC00);
    }
    c = u;
    return true;
}

}  // namespace

bool Utf16ToUtf8(std::u16string_view in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size();) {
        char32_t c;
        if (!NextUtf16(in, i, c)) return false;
        AppendUtf8(c, out);
    }
    return true;
}

bool Utf8ToUtf32(std::string_view in, std::u32string& out) {
    out.clear();
    for (size_t i = 0; i < in.size();) {
        const uint8_t b = uint8_t(in[i]);
        size_t n;
        char32_t c, min;
        if (b < 0x80) {
            n = 0, c = b, min = 0;
        } else if ((b & 0xE0) == 0xC0) {
            n = 1, c = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            n = 2, c = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            n = 3, c = b & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (in.size() - i - 1 < n) return false;
        for (size_t k = 1; k <= n; ++k) {
            const uint8_t t = uint8_t(in[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        if (c < min || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) return false;
        out += c;
        i += n + 1;
    }
    return true;
}

std::u16string Utf32ToUtf16(std::u32string_view in) {
    std::u16string out;
    out.reserve(in.size());
    for (char32_t c : in) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string Utf16ToLogText(std::u16string_view in, size_t maxUnits) {
    in = in.substr(0, maxUnits);
    std::string out;
    for (size_t i = 0; i < in.size();) {
        char32_t c;
        const size_t at = i;
        if (NextUtf16(in, i, c)) {
            AppendUtf8(c, out);
        } else {
            out += '?';
            i = at + 1;
        }
    }
    return out;
}

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c == 0x178) return 0xFF;
    // Latin Extended-A pairs capital and small letters side by side.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

bool SameNameIgnoringCase(std::u32string_view a, std::u32string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

bool IsCreatableName(std::u32string_view name) {
    if (name.empty() || name == U"." || name == U"..") return false;
    for (char32_t c : name)
        if (c < 0x20 || std::u32string_view(U"*?<>:\"|\\/").find(c) != std::u32string_view::npos)
            return false;
    return true;
}

PathResult SplitDevicePath(std::u16string_view path, std::vector<std::string>& elements) {
    elements.clear();
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] == 0) return PathResult::Invalid;
        if (i < path.size() && path[i] != u'\\' && path[i] != u'/') continue;
        const std::u16string_view part = path.substr(start, i - start);
        start = i + 1;
        if (part.empty() || part == u".") continue;
        if (part == u"..") return PathResult::Escapes;
        std::string element;
        if (!Utf16ToUtf8(part, element)) return PathResult::Invalid;
        elements.push_back(std::move(element));
    }
    return PathResult::Ok;
}

}  // namespace hd::platform
