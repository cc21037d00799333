#include "common/ParallelDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "common/ByteOrder.h"

namespace hd {

namespace {

constexpr size_t kWindow = 32 * 1024;
constexpr int kMemLevel = 8;  // compress2's

struct Piece {
    const uint8_t* src = nullptr;
    size_t len = 0;
    bool last = false;
    std::vector<uint8_t> out;
    uLong adler = 0;
    bool ok = false;
};

// One piece as raw deflate: primed with the window before it, ended with a
// sync flush (the last with the stream's end).
void PackPiece(Piece& p, const uint8_t* blockStart, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK) return;
    const size_t before = std::min<size_t>(kWindow, size_t(p.src - blockStart));
    bool ok = before == 0 || deflateSetDictionary(&z, p.src - before, uInt(before)) == Z_OK;
    // Room for the worst case plus the flush marker.
    p.out.resize(deflateBound(&z, uLong(p.len)) + 16);
    z.next_in = const_cast<Bytef*>(p.src);
    z.avail_in = uInt(p.len);
    z.next_out = p.out.data();
    z.avail_out = uInt(p.out.size());
    const int flush = p.last ? Z_FINISH : Z_SYNC_FLUSH;
    const int r = ok ? deflate(&z, flush) : Z_STREAM_ERROR;
    ok = ok && z.avail_in == 0 && (p.last ? r == Z_STREAM_END : r == Z_OK && z.avail_out > 0);
    p.out.resize(ok ? p.out.size() - z.avail_out : 0);
    deflateEnd(&z);
    p.adler = adler32_z(1, p.src, p.len);
    p.ok = ok;
}

// The zlib header compress2 writes at this level: deflate, 32 KiB window,
// the level's class, and the check bits.
void PutHeader(uint8_t* h, int level) {
    const unsigned flevel = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
    const unsigned cmf = 0x78;
    unsigned flg = flevel << 6;
    flg += 31 - (cmf * 256 + flg) % 31;
    h[0] = uint8_t(cmf);
    h[1] = uint8_t(flg);
}

}  // namespace

unsigned ParallelDeflate::Threads() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

size_t ParallelDeflate::Pack(const uint8_t* src, size_t n, uint8_t* dst, size_t avail, int level,
                             unsigned threads) {
    std::vector<Piece> pieces((n + kPieceBytes - 1) / kPieceBytes);
    if (pieces.empty() || avail < 6) return 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        pieces[i].src = src + i * kPieceBytes;
        pieces[i].len = std::min(kPieceBytes, n - i * kPieceBytes);
        pieces[i].last = i + 1 == pieces.size();
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < pieces.size();) PackPiece(pieces[i], src, level);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min<size_t>(threads, pieces.size()); ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();

    PutHeader(dst, level);
    size_t at = 2;
    uLong adler = 1;
    for (const Piece& p : pieces) {
        if (!p.ok || at + p.out.size() + 4 > avail) return 0;
        std::memcpy(dst + at, p.out.data(), p.out.size());
        at += p.out.size();
        adler = adler32_combine(adler, p.adler, z_off_t(p.len));
    }
    put_be32(dst + at, uint32_t(adler));
    return at + 4;
}

}  // namespace hd
