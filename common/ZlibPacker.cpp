#include "common/ZlibPacker.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

#include "common/ParallelDeflate.h"

namespace hd {

namespace {

// A block whose fast-level sample keeps more than this share of its size is
// sent stored: compressing it would cost time for (almost) nothing.
constexpr size_t kStoredPercent = 98;
// zlib's levels 1-5 (screen updates) are answered by this libdeflate level
// without a comparison against zlib, which would cost more than the packing:
// on screen updates and text it packs smaller than zlib's level 1 at about its
// speed (bench_screen, bench_pack).
constexpr int kFastLevel = 4;
// zlib's levels 6-9 on a block that is its own sample, fastest first; the
// first to reach zlib's ratio on the block wins.
constexpr int kStrongCandidates[] = {6, 8, 9, 10, 12};
// A larger block is judged on slices of it, where libdeflate fares better
// than on the whole (on C headers, 0.3 % smaller than zlib's level 9 on the
// sample, 1.5 % larger on 32 MiB): only the fast levels are tried, and one must
// beat zlib on the sample by kSampledMargin percent. Otherwise zlib itself
// packs the block, on several threads when it is large.
constexpr int kSampledCandidates[] = {6, 7};
constexpr size_t kSampledMargin = 2;
constexpr size_t kParallelFrom = 4 << 20;
// Screen updates (levels 1-5) from this size on: libdeflate's level 1 where
// it reaches zlib's ratio on the sample. On a full screen of noise it packs
// three to four times faster than zlib's level 1 and a little smaller; smaller
// updates stay with zlib, which was as fast there and smaller on small ones
// (bench_screen).
constexpr size_t kLargeScreenUpdate = 256 * 1024;
constexpr int kScreenCandidates[] = {1};

// HANDREL_PACKER=zlib: zlib's own compressor at the level asked, the baseline
// the transfer benchmark runs next to the packer.
bool ZlibOnly() {
    static const bool only = [] {
        const char* v = std::getenv("HANDREL_PACKER");
        return v && std::strcmp(v, "zlib") == 0;
    }();
    return only;
}

}  // namespace

ZlibPacker::~ZlibPacker() {
    for (libdeflate_compressor* c : m_compressors)
        if (c) libdeflate_free_compressor(c);
}

size_t ZlibPacker::Bound(size_t n) {
    // Covers every libdeflate level and zlib's own output, kept when it wins.
    return std::max<size_t>(libdeflate_zlib_compress_bound(nullptr, n), compressBound(uLong(n)));
}

libdeflate_compressor* ZlibPacker::Compressor(int level) {
    if (!m_compressors[size_t(level)])
        m_compressors[size_t(level)] = libdeflate_alloc_compressor(level);
    return m_compressors[size_t(level)];
}

const uint8_t* ZlibPacker::Sample(const uint8_t* src, size_t n, size_t& sampleLen) {
    if (n <= kSampleBytes) {
        sampleLen = n;
        return src;
    }
    const size_t slice = kSampleBytes / kSampleSlices;
    m_sample.resize(kSampleBytes);
    for (size_t i = 0; i < kSampleSlices; ++i) {
        const size_t at = (n - slice) / (kSampleSlices - 1) * i;
        std::memcpy(m_sample.data() + i * slice, src + at, slice);
    }
    sampleLen = kSampleBytes;
    return m_sample.data();
}

bool ZlibPacker::Incompressible(const uint8_t* sample, size_t len) {
    libdeflate_compressor* fast = Compressor(kFastLevel);
    if (!fast || len == 0) return false;
    m_scratch.resize(Bound(len));
    const size_t c =
        libdeflate_zlib_compress(fast, sample, len, m_scratch.data(), m_scratch.size());
    return c == 0 || c * 100 > len * kStoredPercent;
}

size_t ZlibPacker::Deflate(int level, const uint8_t* src, size_t n, uint8_t* dst, size_t avail) {
    m_lastLevel = level;
    libdeflate_compressor* c = Compressor(level);
    return c ? libdeflate_zlib_compress(c, src, n, dst, avail) : 0;
}

size_t ZlibPacker::WithZlib(const uint8_t* src, size_t n, uint8_t* dst, size_t avail, int level) {
    m_lastLevel = -1;
    uLongf c = uLongf(avail);
    return compress2(dst, &c, src, uLong(n), level) == Z_OK ? size_t(c) : 0;
}

size_t ZlibPacker::Pack(const uint8_t* src, size_t n, uint8_t* dst, size_t avail, int zlibLevel) {
    zlibLevel = std::clamp(zlibLevel, 1, 9);
    if (ZlibOnly()) return WithZlib(src, n, dst, avail, zlibLevel);
    // Screen updates (levels 1..5): measured on this machine, libdeflate's
    // fast levels were no faster on small and typical updates, and a sampled
    // "stored" choice cost bytes on banded ones.
    const bool screen = zlibLevel < 6;
    if (screen && n < kLargeScreenUpdate) return WithZlib(src, n, dst, avail, zlibLevel);
    size_t len = 0;
    const uint8_t* sample = Sample(src, n, len);
    const bool whole = sample == src;
    if (!screen && Incompressible(sample, len)) return Deflate(0, src, n, dst, avail);

    // zlib's size on the sample is the ratio to reach.
    uLongf ref = compressBound(uLong(len));
    m_scratch.resize(ref);
    if (compress2(m_scratch.data(), &ref, sample, uLong(len), zlibLevel) != Z_OK)
        return WithZlib(src, n, dst, avail, zlibLevel);
    const std::span<const int> candidates = screen  ? std::span<const int>(kScreenCandidates)
                                            : whole ? std::span<const int>(kStrongCandidates)
                                                    : std::span<const int>(kSampledCandidates);
    // Room of exactly zlib's size (less the margin on a sample of a transfer):
    // a level that needs more fails.
    const size_t room = screen || whole ? ref : ref * (100 - kSampledMargin) / 100;
    m_trial.resize(ref);
    for (int level : candidates) {
        if (whole) {
            const size_t c = Deflate(level, src, n, dst, std::min<size_t>(avail, room));
            if (c) return c;
        } else {
            libdeflate_compressor* c = Compressor(level);
            if (c && libdeflate_zlib_compress(c, sample, len, m_trial.data(), room))
                return Deflate(level, src, n, dst, avail);
        }
    }
    if (screen) return WithZlib(src, n, dst, avail, zlibLevel);
    if (!whole) {
        const unsigned threads = ParallelDeflate::Threads();
        if (n < kParallelFrom || threads < 2) return WithZlib(src, n, dst, avail, zlibLevel);
        m_lastLevel = -1;
        return ParallelDeflate::Pack(src, n, dst, avail, zlibLevel, threads);
    }
    // zlib did best on the whole block: its own stream goes out.
    m_lastLevel = -1;
    if (ref > avail) return 0;
    std::memcpy(dst, m_scratch.data(), ref);
    return ref;
}

}  // namespace hd
