#include "agent/screen/ExtendedScreenEncoder.h"

#include "agent/screen/ScreenPacket.h"

#include <algorithm>
#include <cstring>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/ExtendedUpdate.h"

namespace hd {

namespace {

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint32_t SkipEqual(const uint8_t* a, const uint8_t* b, uint32_t i, uint32_t end) {
    while (i + 8 <= end && Load64(a + i) == Load64(b + i)) i += 8;
    while (i < end && a[i] == b[i]) ++i;
    return i;
}

}  // namespace

ExtendedScreenEncoder::Result ExtendedScreenEncoder::Encode(GrowBuffer& reference,
                                                            const GrowBuffer& work,
                                                            const BmpLayout& layout, uint32_t first,
                                                            uint32_t last, GrowBuffer& packet) {
    const uint32_t total = uint32_t(work.used);
    last = std::min(last, total);
    m_moves.clear();
    m_update.used = 0;
    if (!grow::MakeRoom(m_update, kExtHeaderSize + 4096)) return Result::Failed;
    put_be32(m_update.block, total);
    put_be16(m_update.block + 4, 0);
    m_update.used = int32_t(kExtHeaderSize);
    if (uint32_t(reference.used) != total) {
        // The first update of a connection, or a new screen size: all of it.
        reference.used = 0;
        if (!grow::MakeRoom(reference, total)) return Result::Failed;
        reference.used = int32_t(total);
        uint8_t hdr[kExtSegmentHeaderSize];
        put_be32(hdr, 0);
        put_be32(hdr + 4, total);
        if (!grow::AddBytes(m_update, hdr, sizeof hdr) ||
            !grow::AddBytes(m_update, work.block, total))
            return Result::Failed;
        std::memcpy(reference.block, work.block, total);
        return Pack(packet) ? Result::Packet : Result::Failed;
    }
    if (first >= last) return Result::Nothing;
    uint32_t lo = first, hi = last;
    if (!AddMoves(reference, work, layout, first, last, lo, hi) ||
        !AddSegments(reference.block, work.block, lo, hi))
        return Result::Failed;
    if (uint32_t(m_update.used) == kExtHeaderSize) return Result::Nothing;  // a change undone
    return Pack(packet) ? Result::Packet : Result::Failed;
}

bool ExtendedScreenEncoder::AddMoves(GrowBuffer& reference, const GrowBuffer& work,
                                     const BmpLayout& layout, uint32_t first, uint32_t last,
                                     uint32_t& lo, uint32_t& hi) {
    if (layout.stride == 0 || last <= layout.headerLen) return true;
    const uint32_t from = std::max(first, layout.headerLen) - layout.headerLen;
    const int top = int(from / layout.stride);
    const int bottom = int((last - 1 - layout.headerLen) / layout.stride) + 1;
    const PixelRows before{reference.block + layout.headerLen, layout.stride, layout.width,
                           layout.height};
    const PixelRows after{work.block + layout.headerLen, layout.stride, layout.width,
                          layout.height};
    // A moved window's frame and its scrolled content move by different
    // amounts: a second pass looks again at what the first left different.
    for (int pass = 0; pass < kPasses; ++pass) {
        const size_t had = m_moves.size();
        m_detector.Find(before, after, top, bottom, m_moves);
        if (m_moves.size() > kExtMaxCopies) m_moves.resize(kExtMaxCopies);
        if (m_moves.size() == had) break;
        if (!AddCopies(reference, layout, had, lo, hi)) return false;
    }
    put_be16(m_update.block + 4, uint16_t(m_moves.size()));
    return true;
}

bool ExtendedScreenEncoder::AddCopies(GrowBuffer& reference, const BmpLayout& layout, size_t from,
                                      uint32_t& lo, uint32_t& hi) {
    if (!grow::MakeRoom(m_update, int64_t(m_moves.size() - from) * kExtCopySize)) return false;
    for (size_t i = from; i < m_moves.size(); ++i) {
        const RowMove& m = m_moves[i];
        RowCopy c;
        c.dst = layout.headerLen + uint32_t(m.y) * layout.stride + uint32_t(m.x) * 2;
        // Unsigned wrap-around gives the right offset for negative shifts.
        c.src = c.dst - uint32_t(m.dy) * layout.stride - uint32_t(m.dx) * 2;
        c.rowBytes = uint32_t(m.width) * 2;
        c.rows = uint32_t(m.rows);
        c.stride = layout.stride;
        // The desktop applies exactly this to its copy: so does the reference.
        ApplyRowCopy(reference.block, c);
        PutRowCopy(m_update.block + m_update.used, c);
        m_update.used += int32_t(kExtCopySize);
        lo = std::min(lo, c.dst);
        hi = std::max(hi, c.dst + (c.rows - 1) * c.stride + c.rowBytes);
    }
    return true;
}

bool ExtendedScreenEncoder::AddSegments(uint8_t* ref, const uint8_t* work, uint32_t lo,
                                        uint32_t hi) {
    uint32_t i = lo;
    while (i < hi) {
        i = SkipEqual(ref, work, i, hi);
        if (i >= hi) break;
        // Extend over differing bytes and gaps shorter than kJoinGap.
        uint32_t end = i + 1;
        for (;;) {
            uint32_t next = end;
            while (next < hi && ref[next] != work[next]) ++next;
            end = next;
            const uint32_t resume = SkipEqual(ref, work, end, std::min(hi, end + kJoinGap));
            if (resume >= hi || resume - end >= kJoinGap) break;
            end = resume;
        }
        uint8_t hdr[kExtSegmentHeaderSize];
        put_be32(hdr, i);
        put_be32(hdr + 4, end - i);
        if (!grow::AddBytes(m_update, hdr, sizeof hdr) ||
            !grow::AddBytes(m_update, work + i, end - i))
            return false;
        std::memcpy(ref + i, work + i, end - i);
        i = end;
    }
    return true;
}

bool ExtendedScreenEncoder::Pack(GrowBuffer& packet) {
    const uint32_t d = uint32_t(m_update.used);
    return FrameScreenPacket(
        packet, HC_EXTSCREEN, d, UpdateCompressor::Bound(d),
        [&](uint8_t* dst, size_t room) { return m_stream.Compress(m_update.block, d, dst, room); });
}

}  // namespace hd
