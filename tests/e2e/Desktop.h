// The desktop's side of a TCP connection for whole-system tests: opens the
// command and screen channels with their preamble and opening bytes, reads
// the screen channel (keep-alive bytes and update packets, each unpacked and
// applied to the BMP image) with a bound on every wait. One test thread.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <map>
#include <vector>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/GrowBuffer.h"
#include "desktop/session/ExtendedUpdateDecoder.h"
#include "desktop/session/ProcessDeltas.h"
#include "listener/Peer.h"

namespace hd::test {

class Desktop {
public:
    // Larger than any screen of the virtual device; a packet past it is malformed.
    static constexpr uint32_t kMaxPacket = 64u << 20;

    // sendInit false: the command channel carries its preamble alone, as a
    // desktop may open it.
    bool Open(uint16_t port, uint8_t preamble = 0, uint16_t flags = 0, uint32_t interval = 0,
              bool sendInit = true) {
        uint8_t init[7] = {HC_INIT};
        put_le16(init + 1, flags);
        put_be32(init + 3, 0);
        uint8_t freq[4];
        put_be32(freq, interval);
        offered = flags & INIT_EXT_SCREEN;
        return cmd.Connect(port) && cmd.Send({preamble}) &&
               (!sendInit || cmd.Send(init, sizeof init)) && screen.Connect(port) &&
               screen.Send({preamble}) && screen.Send(freq, sizeof freq);
    }

    // The next byte of the screen channel; an update packet is read whole,
    // unpacked into delta and applied to image. -1 on time-out, close or a
    // malformed packet.
    int Next(int timeoutMs) {
        int code = screen.ReadByte(timeoutMs);
        const bool extended = code == HC_EXTSCREEN && offered;
        if (code != HC_FULLSCREEN && code != HC_DELTASCREEN && !extended)
            return code < 0 ? -1 : code;
        ++updates[code];
        uint8_t head[8];
        if (!screen.ReadExact(head, 8, timeoutMs)) return -1;
        const uint32_t c = get_be32(head), d = get_be32(head + 4);
        if (c > kMaxPacket || d > kMaxPacket) return -1;
        std::vector<uint8_t> packed(c);
        if (!screen.ReadExact(packed.data(), c, timeoutMs)) return -1;
        if (extended) {
            previous.assign(image.block, image.block + (image.used > 0 ? image.used : 0));
            const bool ok =
                decoder.Apply(packed.data(), c, d, image) == ExtendedUpdateDecoder::Result::Applied;
            return ok ? code : -1;
        }
        delta.assign(d, 0);
        uLongf out = d;
        if (uncompress(delta.data(), &out, packed.data(), c) != Z_OK || out != d) return -1;
        previous.assign(image.block, image.block + (image.used > 0 ? image.used : 0));
        if (!ProcessDeltas(delta.data(), delta.size(), image)) return -1;
        return code;
    }

    // Reads the screen channel until the byte code arrives.
    bool WaitFor(uint8_t code, int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            int got = Next(int(left.count()));
            if (got == code) return true;
            if (got < 0) return false;
        }
    }

    Peer cmd;
    Peer screen;
    std::vector<uint8_t> delta;     // the last update, unpacked
    std::vector<uint8_t> previous;  // the image before the last update
    GrowBuffer image;
    bool offered = false;           // INIT_EXT_SCREEN was in the flags
    ExtendedUpdateDecoder decoder;  // for HC_EXTSCREEN, when offered
    std::map<int, int> updates;     // packets seen, by command
};

}  // namespace hd::test
