// Channel (log tag "HC"): the channel over a byte stream: raw reads and writes, and the packed
// transfer (u32 BE compressed length, u32 BE unpacked length, zlib data) used
// for every bulk transfer. One thread uses a channel at a time; the channel
// never owns or releases its stream. The desktop's connection object derives
// from it and adds counters and teardown in WriteBytes/ReadBytes.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/Codes.h"
#include "common/GrowBuffer.h"
#include "common/Stream.h"
#include "common/ZlibPacker.h"

namespace hd {

// Default ceiling for any length announced by the peer.
constexpr uint32_t kDefaultTransferCeiling = 256u << 20;

class Channel {
public:
    explicit Channel(IRAPIStream* stream = nullptr) : m_pStream(stream) {}
    virtual ~Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    virtual bool WriteBytes(const void* data, uint32_t count);
    // READ_DONE, READ_FAILED or READ_TIMEOUT (nothing consumed).
    virtual int ReadBytes(void* data, uint32_t count);
    // ReadBytes again for as long as it times out; READ_DONE or READ_FAILED.
    int ReadFully(void* data, uint32_t count);

    bool PackNSend(GrowBuffer& packet, const uint8_t* src, uint32_t len);
    bool ReceiveNUnpack(GrowBuffer& packet, GrowBuffer& dest);

    IRAPIStream* Stream() const { return m_pStream.load(); }
    void SetStream(IRAPIStream* stream) { m_pStream.store(stream); }

    // The largest compressed or unpacked length accepted from the peer.
    static void SetTransferCeiling(uint32_t bytes);
    static uint32_t TransferCeiling();

protected:
    // The peer broke the framing (a length past the ceiling): the channel is
    // out of step, so later reads must fail. The agent's channel drops its
    // stream; the desktop's connection tears down.
    virtual void OnFramingError() { m_pStream = nullptr; }

    // Atomic: the desktop ends a channel from one thread while another may be
    // about to read it (the stream object itself outlives both).
    std::atomic<IRAPIStream*> m_pStream;

private:
    ZlibPacker m_packer;  // used only by the thread that sends
};

}  // namespace hd
