// ZlibPacker: turns a block into one zlib stream (what every packed transfer and
// screen packet carries); packed transfers go through libdeflate, whose
// whole-buffer compressor is several times faster than zlib's at the same ratio. The effort is
// chosen per block from a sample: data that does not compress goes out in stored blocks, bulk data
// at a level whose ratio on the sample is at least zlib's at the level asked for. zlib stays the
// inflater; peers see an ordinary zlib stream. One packer per thread; it owns its compressors and
// allocates them on first use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct libdeflate_compressor;

namespace hd {

class ZlibPacker {
public:
    ZlibPacker() = default;
    ~ZlibPacker();
    ZlibPacker(const ZlibPacker&) = delete;
    ZlibPacker& operator=(const ZlibPacker&) = delete;

    // Output room that is always enough for n input bytes, at any effort.
    static size_t Bound(size_t n);

    // Compresses src into dst as one zlib stream; returns its size, 0 when dst
    // is too small or memory ran out. A large block whose sample does not
    // compress goes stored. For zlibLevel 6..9 (transfers, slow links) a block
    // that is its own sample is packed at the fastest libdeflate level whose
    // output is no larger than zlib's at that level, else zlib's own; a larger
    // block at a fast libdeflate level when that clearly beats zlib on the
    // sample, else by zlib at that level (in parallel pieces when it is
    // large). Levels 1..5 (screen updates) are packed by zlib itself, except
    // large updates whose sample libdeflate's fastest level packs no larger
    // than zlib does.
    size_t Pack(const uint8_t* src, size_t n, uint8_t* dst, size_t avail, int zlibLevel);

    // The libdeflate level of the last Pack (0: stored blocks; -1: zlib's own
    // stream, kept because no level reached its ratio).
    int LastLevel() const { return m_lastLevel; }

    // Sampling: a block of at most kSampleBytes is its own sample; a larger one
    // is sampled in kSampleSlices slices spread evenly over it.
    static constexpr size_t kSampleBytes = 64 * 1024;
    static constexpr size_t kSampleSlices = 4;

private:
    libdeflate_compressor* Compressor(int level);
    // The bytes the effort is chosen on: src itself when small, else slices.
    const uint8_t* Sample(const uint8_t* src, size_t n, size_t& sampleLen);
    bool Incompressible(const uint8_t* sample, size_t len);
    size_t Deflate(int level, const uint8_t* src, size_t n, uint8_t* dst, size_t avail);
    size_t WithZlib(const uint8_t* src, size_t n, uint8_t* dst, size_t avail, int level);

    std::array<libdeflate_compressor*, 13> m_compressors{};
    std::vector<uint8_t> m_sample;
    std::vector<uint8_t> m_scratch;  // zlib's stream of the sample
    std::vector<uint8_t> m_trial;
    int m_lastLevel = 0;
};

}  // namespace hd
