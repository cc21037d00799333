// ExtendedScreenEncoder: builds the extended screen update (common/ExtendedUpdate.h) for a desktop
// that offered it: row moves found by the ScrollDetector first, then the bytes that still differ
// as raw segments, all compressed as the next piece of the connection's one zstd stream. It keeps
// the sender's reference image equal to what the desktop will hold after applying the packet. Runs
// on the screen thread inside the ScreenSender, which owns it, and logs under its tag "S"; Reset at
// each connection.
#pragma once

#include <cstdint>
#include <vector>

#include "agent/screen/BmpImage.h"
#include "agent/screen/ScrollDetector.h"
#include "common/GrowBuffer.h"
#include "common/UpdateStream.h"

namespace hd {

class ExtendedScreenEncoder {
public:
    // Unchanged runs shorter than this stay inside a segment (a segment
    // header costs 8 bytes before compression).
    static constexpr uint32_t kJoinGap = 16;
    static constexpr int kPasses = 2;

    void Reset() { m_stream.Reset(); }

    // Packet: a complete packet (command, C, D, stream piece) is in packet.
    // Failed: a buffer could not grow or the stream broke; the reference and
    // the stream no longer match the desktop's, so the connection must end.
    enum class Result { Nothing, Packet, Failed };

    // Brings reference up to work. [first, last) is the changed byte range of
    // work; a reference of another length is replaced whole.
    Result Encode(GrowBuffer& reference, const GrowBuffer& work, const BmpLayout& layout,
                  uint32_t first, uint32_t last, GrowBuffer& packet);

    // The uncompressed update of the last Encode (tests, benches).
    const GrowBuffer& Update() const { return m_update; }
    const std::vector<RowMove>& Moves() const { return m_moves; }

private:
    bool AddMoves(GrowBuffer& reference, const GrowBuffer& work, const BmpLayout& layout,
                  uint32_t first, uint32_t last, uint32_t& lo, uint32_t& hi);
    // Appends moves [from, end) as copies and applies them to the reference.
    bool AddCopies(GrowBuffer& reference, const BmpLayout& layout, size_t from, uint32_t& lo,
                   uint32_t& hi);
    bool AddSegments(uint8_t* ref, const uint8_t* work, uint32_t lo, uint32_t hi);
    bool Pack(GrowBuffer& packet);

    ScrollDetector m_detector;
    std::vector<RowMove> m_moves;
    GrowBuffer m_update;
    UpdateCompressor m_stream;
};

}  // namespace hd
