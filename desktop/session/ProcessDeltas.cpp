#include "desktop/session/ProcessDeltas.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/ByteOrder.h"
#include "common/Log.h"
#include "common/SegmentEncoder.h"

namespace hd {

namespace {

static_assert(std::endian::native == std::endian::little, "the fill pattern assumes little-endian");

// Writes the 2-byte unit n / 2 times (n even). A screen's large fills are
// long runs of one colour: 32 bytes go at a time, the last store overlapping
// the one before (n is even, so the pattern stays in step).
inline void FillUnits(uint8_t* w, size_t n, uint8_t u0, uint8_t u1) {
    const uint16_t unit = uint16_t(u0 | u1 << 8);  // little-endian: u0 first
    if (n >= 32) {
        // One register of the unit, a single wide store where the processor has
        // them; between the unaligned first and last stores, the stores are
        // aligned (so none splits across cache lines), with the unit turned
        // round when the start is odd.
        using Units = uint16_t __attribute__((vector_size(32)));
        const Units pattern = Units{} + unit;
        std::memcpy(w, &pattern, 32);
        const uintptr_t start = reinterpret_cast<uintptr_t>(w);
        uint8_t* a = w + (32 - (start & 31));
        uint8_t* const last = w + n - 32;
        const uint16_t turned = uint16_t(start & 1 ? unit >> 8 | unit << 8 : unit);
        const Units inner = Units{} + turned;
        for (; a < last; a += 32) std::memcpy(__builtin_assume_aligned(a, 32), &inner, 32);
        std::memcpy(last, &pattern, 32);
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

// Walks one segment's ops from at to end, writing from writePos on; with
// kApply false only checks them. Returns false at the first operation that
// reads past the segment or writes past total; otherwise writePos is left where
// the writing ended.
template <bool kApply>
__attribute__((always_inline)) inline bool WalkOps(const uint8_t* d, size_t at, size_t end,
                                                   uint8_t* image, uint32_t total,
                                                   uint32_t& writePos) {
    uint32_t pos = writePos;  // a local: kept in a register, not stored per op
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
            if constexpr (kApply) FillUnits(image + pos, size_t(n), d[at + head], d[at + head + 1]);
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
    writePos = pos;
    return true;
}

// Walks the segments; with kApply false only checks them.
template <bool kApply>
__attribute__((always_inline)) inline bool Walk(const uint8_t* d, size_t length, uint8_t* image,
                                                uint32_t total) {
    size_t at = 4;
    while (at < length) {
        if (length - at < 8) return false;
        uint32_t pos = get_be32(d + at);
        const uint32_t body = get_be32(d + at + 4);
        at += 8;
        if (body > length - at || pos > total) return false;
        if (!WalkOps<kApply>(d, at, at + body, image, total, pos)) return false;
        at += body;
    }
    return true;
}

// The applying walks, compiled for AVX2 too where the processor has it: wide
// stores for the fills. Not under ThreadSanitizer, whose instrumented ifunc
// resolver would run before its runtime exists.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define HD_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define HD_WIDE_CLONES
#endif

HD_WIDE_CLONES void Apply(const uint8_t* d, size_t length, uint8_t* image, uint32_t total) {
    Walk<true>(d, length, image, total);
}

// Checks and applies the single segment from 12 on in one walk; pos is where the
// writing ended.
HD_WIDE_CLONES bool ApplyChecked(const uint8_t* d, size_t length, uint8_t* image, uint32_t total,
                                 uint32_t& pos) {
    pos = 0;
    return WalkOps<true>(d, 12, length, image, total, pos);
}

void LogMalformed(uint32_t total) {
    log::Forced("R::ProcessDeltas:Error malformed delta, image length %u, skipped",
                unsigned(total));
}

}  // namespace

bool ProcessDeltas(const uint8_t* delta, size_t length, GrowBuffer& image) {
    if (length < 4) {
        log::Forced("R::ProcessDeltas:Error delta too short, %d bytes", int(length));
        return false;
    }
    const uint32_t total = get_be32(delta);
    if (total > kMaxImageLength || !Walk<false>(delta, length, nullptr, total)) {
        LogMalformed(total);
        return false;
    }
    // Bytes the image gains and the update does not write read as zero, not as
    // whatever the heap held.
    const uint32_t had = uint32_t(std::max(image.used, 0));
    image.used = 0;
    if (!grow::MakeRoom(image, std::max<uint32_t>(total, 1))) return false;
    if (total > had) std::memset(image.block + had, 0, total - had);
    image.used = int32_t(total);
    Apply(delta, length, image.block, total);
    return true;
}

bool ProcessDeltas(const uint8_t* delta, size_t length, GrowBuffer& image, GrowBuffer& spare) {
    // One segment from the image's start: a full update.
    if (length < 12 || get_be32(delta + 4) != 0 || get_be32(delta + 8) != length - 12)
        return ProcessDeltas(delta, length, image);
    const uint32_t total = get_be32(delta);
    if (total > kMaxImageLength) {
        LogMalformed(total);
        return false;
    }
    spare.used = 0;
    // Never an empty block: an op of no bytes still names a place in it.
    if (!grow::MakeRoom(spare, std::max<uint32_t>(total, 1))) return false;
    uint32_t pos = 0;
    if (!ApplyChecked(delta, length, spare.block, total, pos)) {
        LogMalformed(total);
        return false;
    }
    // What the update did not write keeps the image's bytes (none past its end).
    const uint32_t kept = std::clamp<uint32_t>(uint32_t(std::max(image.used, 0)), pos, total);
    if (kept > pos) std::memcpy(spare.block + pos, image.block + pos, kept - pos);
    if (total > kept) std::memset(spare.block + kept, 0, total - kept);
    std::swap(image.block, spare.block);
    std::swap(image.capacity, spare.capacity);
    image.used = int32_t(total);
    return true;
}

}  // namespace hd
