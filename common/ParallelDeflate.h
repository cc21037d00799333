// ParallelDeflate: zlib's own compressor at the level asked, run on pieces of
// one large block on several threads and joined into a single zlib stream.
// Each piece starts with the 32 KiB before it as its dictionary and ends on a
// sync flush, so the stream parses like one: the ratio stays zlib's at that
// level to within some tens of bytes per piece (the flush marker and the new
// block's code tables), and any inflater reads it. For packed transfers of compressible data, where zlib's strong
// levels are the slowest part of a transfer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hd {

class ParallelDeflate {
public:
    // Bytes per piece: large enough that the flush markers cost nothing
    // measurable, small enough to share the work evenly.
    static constexpr size_t kPieceBytes = 1 << 20;

    // The threads a pack uses: the processors there are, at most four.
    static unsigned Threads();

    // Compresses src into dst as one zlib stream on `threads` threads (the
    // caller's among them); returns its size, 0 when dst is too small or zlib
    // failed.
    static size_t Pack(const uint8_t* src, size_t n, uint8_t* dst, size_t avail, int level,
                       unsigned threads);
};

}  // namespace hd
