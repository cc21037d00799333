// The screen packet every update goes out in: command, compressed length C
// and delta length D (both big-endian), then the compressed bytes. One frame
// for the plain and the extended updates; only the compressor differs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/ByteOrder.h"
#include "common/GrowBuffer.h"
#include "common/Log.h"

namespace hd {

constexpr int64_t kScreenPacketHeader = 9;

// compress(dst, room) writes the compressed update and returns its size, 0
// on failure; bound is the room it may need. False (logged) when packing
// failed.
template <class Compress>
bool FrameScreenPacket(GrowBuffer& packet, uint8_t command, uint32_t deltaLength, size_t bound,
                       Compress&& compress) {
    packet.used = 0;
    if (!grow::MakeRoom(packet, int64_t(bound) + kScreenPacketHeader)) return false;
    const size_t c =
        compress(packet.block + kScreenPacketHeader, packet.capacity - kScreenPacketHeader);
    if (c == 0) {
        log::Forced("S::BuildCompData:No changes, returning false");
        return false;
    }
    packet.block[0] = command;
    put_be32(packet.block + 1, uint32_t(c));
    put_be32(packet.block + 5, deltaLength);
    packet.used = int32_t(kScreenPacketHeader + int64_t(c));
    return true;
}

}  // namespace hd
