#include "common/ExtendedUpdate.h"

#include <cstdlib>
#include <cstring>

#include "common/ByteOrder.h"

namespace hd {

void PutRowCopy(uint8_t* p, const RowCopy& c) {
    put_be32(p, c.src);
    put_be32(p + 4, c.dst);
    put_be32(p + 8, c.rowBytes);
    put_be32(p + 12, c.rows);
    put_be32(p + 16, c.stride);
}

RowCopy GetRowCopy(const uint8_t* p) {
    return RowCopy{get_be32(p), get_be32(p + 4), get_be32(p + 8), get_be32(p + 12),
                   get_be32(p + 16)};
}

bool RowCopyFits(const RowCopy& c, uint32_t total) {
    if (c.rows == 0 || c.rowBytes == 0) return false;
    if (c.rows > 1 && c.rowBytes > c.stride) return false;
    const uint64_t span = uint64_t(c.rows - 1) * c.stride + c.rowBytes;
    return span <= total && c.src <= total - span && c.dst <= total - span;
}

void ApplyRowCopy(uint8_t* image, const RowCopy& c) {
    // Moving towards higher offsets, the last row goes first; memmove covers
    // the overlap inside a row.
    if (c.dst > c.src) {
        for (uint32_t r = c.rows; r-- > 0;)
            std::memmove(image + c.dst + uint64_t(r) * c.stride,
                         image + c.src + uint64_t(r) * c.stride, c.rowBytes);
    } else if (c.dst < c.src) {
        for (uint32_t r = 0; r < c.rows; ++r)
            std::memmove(image + c.dst + uint64_t(r) * c.stride,
                         image + c.src + uint64_t(r) * c.stride, c.rowBytes);
    }
}

bool ExtendedUpdateValid(std::span<const uint8_t> u) {
    if (u.size() < kExtHeaderSize) return false;
    const uint32_t total = get_be32(u.data());
    const uint32_t copies = get_be16(u.data() + 4);
    if (copies > kExtMaxCopies || copies * kExtCopySize > u.size() - kExtHeaderSize) return false;
    size_t at = kExtHeaderSize;
    for (uint32_t i = 0; i < copies; ++i, at += kExtCopySize)
        if (!RowCopyFits(GetRowCopy(u.data() + at), total)) return false;
    while (at < u.size()) {
        if (u.size() - at < kExtSegmentHeaderSize) return false;
        const uint32_t pos = get_be32(u.data() + at);
        const uint32_t len = get_be32(u.data() + at + 4);
        at += kExtSegmentHeaderSize;
        if (len > u.size() - at || pos > total || len > total - pos) return false;
        at += len;
    }
    return true;
}

void ApplyExtendedUpdate(std::span<const uint8_t> u, uint8_t* image) {
    const uint32_t copies = get_be16(u.data() + 4);
    size_t at = kExtHeaderSize;
    for (uint32_t i = 0; i < copies; ++i, at += kExtCopySize)
        ApplyRowCopy(image, GetRowCopy(u.data() + at));
    while (at < u.size()) {
        const uint32_t pos = get_be32(u.data() + at);
        const uint32_t len = get_be32(u.data() + at + 4);
        at += kExtSegmentHeaderSize;
        std::memcpy(image + pos, u.data() + at, len);
        at += len;
    }
}

bool ScreenExtensionAllowedByEnvironment() {
    const char* v = std::getenv("HANDREL_SCREEN_EXTENSION");
    return !(v && std::strcmp(v, "0") == 0);
}

}  // namespace hd
