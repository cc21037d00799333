// The extended screen update's decoder on arbitrary bytes, a connection's
// packets one after the other: it must refuse, skip or apply, never read or
// write out of bounds. Input: packets of u16 BE compressed length, u16 BE
// announced length and the compressed bytes; the first byte 1 instead gives
// one update already decompressed, to reach the copy checks directly.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ByteOrder.h"
#include "common/ExtendedUpdate.h"
#include "desktop/session/ExtendedUpdateDecoder.h"

namespace {
constexpr uint32_t kMaxImage = 1u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hd::GrowBuffer image;
    if (size < 1) return 0;
    const std::span<const uint8_t> rest(data + 1, size - 1);
    if (data[0] == 1) {
        if (!hd::ExtendedUpdateValid(rest) || hd::get_be32(rest.data()) > kMaxImage) return 0;
        image.used = 0;
        if (!hd::grow::MakeRoom(image, hd::get_be32(rest.data()))) return 0;
        hd::ApplyExtendedUpdate(rest, image.block);
        return 0;
    }
    hd::ExtendedUpdateDecoder decoder(kMaxImage);
    size_t at = 0;
    while (rest.size() - at >= 4) {
        const uint32_t c = hd::get_be16(rest.data() + at);
        const uint32_t d = hd::get_be16(rest.data() + at + 2);
        at += 4;
        if (c > rest.size() - at) break;
        if (decoder.Apply(rest.data() + at, c, d, image) ==
            hd::ExtendedUpdateDecoder::Result::Broken)
            break;
        at += c;
    }
    return 0;
}
