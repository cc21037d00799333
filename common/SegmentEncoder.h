// The screen update's run-length code, owned by both ends: the agent's sender
// encodes changed byte runs with it; the desktop's decoder (ProcessDeltas)
// reads it back. Units are 2 bytes.
//
//   Delta:    u32 BE total image length, then segments to the end.
//   Segment:  u32 BE destination offset | u32 BE body length L | L bytes of ops
//   Ops:      0x00-0x3F n         + unit   repeat the 2-byte unit n times (n >= 2)
//             0x40-0x7F n=b&0x3F  + n      copy n bytes (1..63)
//             0x80-0xBF n=b&0x3F           n zero bytes (2..63)
//             0xC0-0xFF u32 BE w  + unit   repeat the unit (w & 0x3FFFFFFF) times (> 63)
#pragma once

#include <cstdint>

#include "common/GrowBuffer.h"

namespace hd {

constexpr uint8_t kOpCopy = 0x40;
constexpr uint8_t kOpZero = 0x80;
constexpr uint32_t kOpLongRepeat = 0xC0000000u;
constexpr uint32_t kOpCountMask = 0x3FFFFFFFu;
constexpr uint32_t kOpShortMax = 63;

// Appends one segment for count bytes at the image offset; false when the
// delta buffer cannot grow.
bool EncodeSegment(GrowBuffer& delta, uint32_t offset, const uint8_t* bytes, uint32_t count);

}  // namespace hd
