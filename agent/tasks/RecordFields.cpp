#include "agent/tasks/RecordFields.h"

#include <cstring>

#include "common/ByteOrder.h"

namespace hd {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// The next code point of s from i; i moves past it. Malformed or overlong
// sequences and surrogates yield U+FFFD for their first byte.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
    const uint8_t b = uint8_t(s[i++]);
    if (b < 0x80) return b;
    int more = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : -1;
    if (more < 0 || b > 0xF4) return kReplacement;
    uint32_t cp = b & (0x3F >> more);
    size_t j = i;
    for (int k = 0; k < more; ++k, ++j) {
        if (j >= s.size() || (uint8_t(s[j]) & 0xC0) != 0x80) return kReplacement;
        cp = cp << 6 | (uint8_t(s[j]) & 0x3F);
    }
    const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    i = j;
    return cp;
}

}  // namespace

void PutWideText(uint8_t* field, size_t units, std::string_view utf8) {
    if (units == 0) return;
    std::memset(field, 0, units * 2);
    const size_t room = units - 1;
    size_t used = 0;
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            if (used + 2 > room) break;
            const uint32_t v = cp - 0x10000;
            put_le16(field + 2 * used++, uint16_t(0xD800 | v >> 10));
            put_le16(field + 2 * used++, uint16_t(0xDC00 | (v & 0x3FF)));
        } else {
            if (used + 1 > room) break;
            put_le16(field + 2 * used++, uint16_t(cp));
        }
    }
}

}  // namespace hd
