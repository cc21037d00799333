#include "common/SegmentEncoder.h"

#include <algorithm>
#include <cstring>

#include "common/ByteOrder.h"

namespace hd {

namespace {

inline bool SameUnit(const uint8_t* b, uint32_t i, uint32_t j) {
    return b[i] == b[j] && b[i + 1] == b[j + 1];
}

// Worst case per input byte is a copy op every 63 bytes, or a repeat's 6 bytes
// per 4 input bytes; 2x + 16 bounds every mix.
inline int64_t WorstCase(uint32_t count) {
    return int64_t(count) * 2 + 16;
}

}  // namespace

bool EncodeSegment(GrowBuffer& delta, uint32_t offset, const uint8_t* b, uint32_t count) {
    if (!grow::MakeRoom(delta, 8 + WorstCase(count))) return false;
    uint8_t* out = delta.block + delta.used;
    put_be32(out, offset);
    uint8_t* lengthField = out + 4;
    uint8_t* w = out + 8;
    uint32_t c = 0;
    while (c < count) {
        // A repeat starts at c when the next unit equals this one.
        uint32_t k = 1;
        for (uint32_t p = c; p + 3 < count && SameUnit(b, p + 2, p); p += 2) ++k;
        if (k >= 2) {
            if (k <= kOpShortMax) {
                *w++ = uint8_t(k);
            } else {
                put_be32(w, kOpLongRepeat | (k & kOpCountMask));
                w += 4;
            }
            *w++ = b[c];
            *w++ = b[c + 1];
            c += 2 * k;
            continue;
        }
        // A literal runs until a repeat begins or fewer than two units remain.
        uint32_t e = c;
        for (;;) {
            if (e + 3 >= count) {
                e = count;
                break;
            }
            if (SameUnit(b, e, e + 2)) break;
            e += 2;
        }
        if (e - c >= 1 && e - c <= kOpShortMax && c + 1 < e && b[c] == 0 && b[c + 1] == 0) {
            uint32_t z = 2;
            while (c + z < e && b[c + z] == 0) ++z;
            *w++ = uint8_t(kOpZero | z);
            c += z;
        }
        while (c < e) {
            uint32_t n = std::min(e - c, kOpShortMax);
            *w++ = uint8_t(kOpCopy | n);
            std::memcpy(w, b + c, n);
            w += n;
            c += n;
        }
    }
    const uint32_t body = uint32_t(w - (out + 8));
    put_be32(lengthField, body);
    delta.used += int32_t(8 + body);
    return true;
}

}  // namespace hd
