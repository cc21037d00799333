#include "desktop/session/ProcessDeltas.h"

#include <bit>
#include <cstring>

#include "common/ByteOrder.h"
#include "common/Log.h"
#include "common/SegmentEncoder.h"

namespace hd {

namespace {

static_assert(std::endian::native == std::endian::little, "the fill pattern assumes little-endian");

// Writes the 2-byte unit n / 2 times (n even). A screen's large fills are
// long runs of one colour: 16 bytes go at a time, the last store overlapping
// the one before (n is even, so the pattern stays in step).
inline void FillUnits(uint8_t* w, size_t n, uint8_t u0, uint8_t u1) {
    const uint16_t unit = uint16_t(u0 | u1 << 8);  // little-endian: u0 first
    if (n >= 32) {
        uint16_t pattern[16];
        for (uint16_t& p : pattern) p = unit;
        size_t i = 0;
        for (; i + 32 <= n; i += 32) std::memcpy(w + i, pattern, 32);
        std::memcpy(w + n - 32, pattern, 32);
    } else if (n >= 16) {
        uint16_t pattern[8];
        for (uint16_t& p : pattern) p = unit;
        std::memcpy(w, pattern, 16);
        std::memcpy(w + n - 16, pattern, 16);
    } else if (n >= 4) {
        const uint32_t two = uint32_t(unit) * 0x00010001u;
        if (n >= 8) {
            const uint64_t four = uint64_t(two) * 0x0000000100000001ull;
            std::memcpy(w, &four, 8);
            std::memcpy(w + n - 8, &four, 8);
        } else {
            std::memcpy(w, &two, 4);
            std::memcpy(w + n - 4, &two, 4);
        }
    } else if (n == 2) {
        std::memcpy(w, &unit, 2);
    }
}

// Walks the segments; with kApply false only checks them. Returns false at the
// first operation that reads past the delta or writes past total.
template <bool kApply>
__attribute__((always_inline)) inline bool Walk(const uint8_t* d, size_t length, uint8_t* image,
                                                uint32_t total) {
    size_t at = 4;
    while (at < length) {
        if (length - at < 8) return false;
        uint32_t pos = get_be32(d + at);
        uint32_t body = get_be32(d + at + 4);
        at += 8;
        if (body > length - at || pos > total) return false;
        const size_t end = at + body;
        while (at < end) {
            const uint8_t op = d[at];
            uint64_t n;  // bytes written
            if (op < kOpCopy || op >= 0xC0) {
                uint32_t units;
                size_t head = 1;
                if (op < kOpCopy) {
                    units = op;
                } else {
                    if (end - at < 4) return false;
                    units = get_be32(d + at) & kOpCountMask;
                    head = 4;
                }
                if (end - at < head + 2) return false;
                n = uint64_t(units) * 2;
                if (n > total - pos) return false;
                if constexpr (kApply)
                    FillUnits(image + pos, size_t(n), d[at + head], d[at + head + 1]);
                at += head + 2;
            } else if (op < kOpZero) {
                n = op & 0x3F;
                if (end - at - 1 < n || n > total - pos) return false;
                if constexpr (kApply) std::memcpy(image + pos, d + at + 1, n);
                at += 1 + n;
            } else {
                n = op & 0x3F;
                if (n > total - pos) return false;
                if constexpr (kApply) std::memset(image + pos, 0, n);
                at += 1;
            }
            pos += uint32_t(n);
        }
    }
    return true;
}

// The applying walk, compiled for AVX2 too where the processor has it: wide
// stores for the fills. Not under ThreadSanitizer, whose instrumented ifunc
// resolver would run before its runtime exists.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
void Apply(const uint8_t* d, size_t length, uint8_t* image, uint32_t total) {
    Walk<true>(d, length, image, total);
}

}  // namespace

bool ProcessDeltas(const uint8_t* delta, size_t length, GrowBuffer& image) {
    if (length < 4) {
        log::Forced("R::ProcessDeltas:Error delta too short, %d bytes", int(length));
        return false;
    }
    const uint32_t total = get_be32(delta);
    if (total > kMaxImageLength || !Walk<false>(delta, length, nullptr, total)) {
        log::Forced("R::ProcessDeltas:Error malformed delta, image length %u, skipped",
                    unsigned(total));
        return false;
    }
    image.used = 0;
    if (!grow::MakeRoom(image, total)) return false;
    image.used = int32_t(total);
    Apply(delta, length, image.block, total);
    return true;
}

}  // namespace hd
