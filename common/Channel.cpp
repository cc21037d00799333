#include "common/Channel.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd {

namespace {
std::atomic<uint32_t> g_ceiling{kDefaultTransferCeiling};
}

void Channel::SetTransferCeiling(uint32_t bytes) {
    g_ceiling.store(bytes);
}
uint32_t Channel::TransferCeiling() {
    return g_ceiling.load();
}

bool Channel::WriteBytes(const void* data, uint32_t count) {
    IRAPIStream* stream = m_pStream.load();
    if (!stream) return false;
    uint32_t written = 0;
    HRESULT hr = stream->Write(data, count, &written);
    if (hr == S_OK) return true;
    log::Log("HC::WriteBytes:Error writing %d bytes to stream hr=%xH\n", int(count), unsigned(hr));
    return false;
}

int Channel::ReadBytes(void* data, uint32_t count) {
    IRAPIStream* stream = m_pStream.load();
    if (!stream) return READ_FAILED;
    uint32_t got = 0;
    HRESULT hr = stream->Read(data, count, &got);
    if (hr == E_READ_TIMEOUT) return READ_TIMEOUT;
    if (hr == S_OK) return READ_DONE;
    log::Log("HC::ReadBytes:Error reading %d bytes from stream hr=%xH\n", int(count), unsigned(hr));
    return READ_FAILED;
}

int Channel::ReadFully(void* data, uint32_t count) {
    int r;
    do {
        r = ReadBytes(data, count);
    } while (r == READ_TIMEOUT);
    return r;
}

bool Channel::PackNSend(GrowBuffer& packet, const uint8_t* src, uint32_t len) {
    // Room for the worst case, so compression cannot fail for lack of space
    // and no uninitialised byte is ever sent.
    int64_t room = std::max<int64_t>(int64_t(len) + 500, int64_t(ZlibPacker::Bound(len)) + 8);
    packet.used = 0;
    if (!grow::MakeRoom(packet, room)) return false;
    // Bulk data is packed to at least zlib level 9's ratio, faster.
    const size_t clen = m_packer.Pack(src, len, packet.block + 8, packet.capacity - 8, 9);
    if (clen == 0) {
        log::Forced("HC::PackNSend:Error on compress2");
        return false;
    }
    put_be32(packet.block, uint32_t(clen));
    put_be32(packet.block + 4, len);
    packet.used = int32_t(8 + clen);
    return WriteBytes(packet.block, uint32_t(packet.used));
}

bool Channel::ReceiveNUnpack(GrowBuffer& packet, GrowBuffer& dest) {
    uint8_t hdr[8];
    if (ReadFully(hdr, 4) != READ_DONE || ReadFully(hdr + 4, 4) != READ_DONE) {
        log::Forced("HC::ReceiveNUnpack:Error reading length from stream");
        return false;
    }
    const uint32_t clen = get_be32(hdr);
    const uint32_t ulen = get_be32(hdr + 4);
    const uint32_t ceiling = TransferCeiling();
    // Negative as signed counts, or past the ceiling: refuse before allocating.
    if (int32_t(clen) < 0 || int32_t(ulen) < 0 || clen > ceiling || ulen > ceiling) {
        log::Forced("HC::ReceiveNUnpack:Error reading compressed data from stream\n");
        OnFramingError();
        return false;
    }
    packet.used = 0;
    if (!grow::MakeRoom(packet, clen) || ReadFully(packet.block, clen) != READ_DONE) {
        log::Forced("HC::ReceiveNUnpack:Error reading compressed data from stream\n");
        return false;
    }
    packet.used = int32_t(clen);
    dest.used = 0;
    if (!grow::MakeRoom(dest, ulen)) {
        log::Forced("HC::ReceiveNUnpack:Error reading compressed data from stream\n");
        return false;
    }
    // Offer exactly the announced size: a body that inflates past it fails.
    uLongf out = ulen;
    if (uncompress(dest.block, &out, packet.block, clen) != Z_OK) {
        log::Forced("HC::ReceiveNUnpack:Error reading compressed data from stream\n");
        return false;
    }
    dest.used = int32_t(out);
    return true;
}

}  // namespace hd
