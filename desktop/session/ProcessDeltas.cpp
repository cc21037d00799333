#include "desktop/session/ProcessDeltas.h"

#include <cstring>

#include "common/ByteOrder.h"
#include "common/Log.h"
#include "common/SegmentEncoder.h"

namespace hd {

namespace {

// Walks the segments; with apply false only checks them. Returns false at the
// first operation that reads past the delta or writes past total.
bool Walk(const uint8_t* d, size_t length, uint8_t* image, uint32_t total, bool apply) {
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
                if (apply) {
                    const uint8_t u0 = d[at + head];
                    const uint8_t u1 = d[at + head + 1];
                    uint8_t* w = image + pos;
                    if (u0 == u1) {
                        std::memset(w, u0, n);
                    } else {
                        for (uint32_t i = 0; i < units; ++i) {
                            w[2 * i] = u0;
                            w[2 * i + 1] = u1;
                        }
                    }
                }
                at += head + 2;
            } else if (op < kOpZero) {
                n = op & 0x3F;
                if (end - at - 1 < n || n > total - pos) return false;
                if (apply) std::memcpy(image + pos, d + at + 1, n);
                at += 1 + n;
            } else {
                n = op & 0x3F;
                if (n > total - pos) return false;
                if (apply) std::memset(image + pos, 0, n);
                at += 1;
            }
            pos += uint32_t(n);
        }
    }
    return true;
}

}  // namespace

bool ProcessDeltas(const uint8_t* delta, size_t length, GrowBuffer& image) {
    if (length < 4) {
        log::Forced("R::ProcessDeltas:Error delta too short, %d bytes", int(length));
        return false;
    }
    const uint32_t total = get_be32(delta);
    if (total > kMaxImageLength || !Walk(delta, length, nullptr, total, false)) {
        log::Forced("R::ProcessDeltas:Error malformed delta, image length %u, skipped",
                    unsigned(total));
        return false;
    }
    image.used = 0;
    if (!grow::MakeRoom(image, total)) return false;
    image.used = int32_t(total);
    Walk(delta, length, image.block, total, true);
    return true;
}

}  // namespace hd
