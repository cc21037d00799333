// The compression stream of the extended screen update: one zstd stream per
// connection, so that earlier updates serve as the dictionary of later ones.
// The compressor (agent, screen thread) ends every update with a flush, so
// each packet decompresses on its own to exactly its announced length once
// the packets before it have been read; the decompressor (desktop, receiver
// thread) checks that and bounds the window it will hold. Reset starts a new
// stream at each connection. One owner each; not shared between threads.
#pragma once

#include <cstddef>
#include <cstdint>

struct ZSTD_CCtx_s;
struct ZSTD_DCtx_s;

namespace hd {

class UpdateCompressor {
public:
    UpdateCompressor() = default;
    ~UpdateCompressor();
    UpdateCompressor(const UpdateCompressor&) = delete;
    UpdateCompressor& operator=(const UpdateCompressor&) = delete;

    static size_t Bound(size_t n);
    // Starts a new stream (the next Compress is its first piece).
    void Reset();
    // The next piece of the stream for n bytes of src into dst; its size, or 0
    // when dst is too small or the compressor failed (the stream is then
    // unusable until Reset).
    size_t Compress(const uint8_t* src, size_t n, uint8_t* dst, size_t avail);

private:
    ZSTD_CCtx_s* m_ctx = nullptr;
    bool m_fresh = true;
};

class UpdateDecompressor {
public:
    UpdateDecompressor() = default;
    ~UpdateDecompressor();
    UpdateDecompressor(const UpdateDecompressor&) = delete;
    UpdateDecompressor& operator=(const UpdateDecompressor&) = delete;

    void Reset();
    // Decompresses one piece: true only when all c bytes were taken and gave
    // exactly d bytes. After a false the stream is out of step for good.
    bool Decompress(const uint8_t* src, size_t c, uint8_t* dst, size_t d);

private:
    ZSTD_DCtx_s* m_ctx = nullptr;
    bool m_fresh = true;
};

}  // namespace hd
