// The desktop's delta decoder: applies one unpacked screen update to the BMP
// image. Trusts nothing: every segment and operation is checked against the
// delta's end and the image's total length before it writes, and a refused
// update leaves the image as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/GrowBuffer.h"

namespace hd {

// Largest image the decoder accepts (the announced total length).
constexpr uint32_t kMaxImageLength = 256u << 20;

// True when the delta was applied; false (and logged) when it was malformed.
bool ProcessDeltas(const uint8_t* delta, size_t length, GrowBuffer& image);

// The same, faster on a full update (one segment from the image's start): it is
// checked and applied in one walk into spare, which then changes places with
// the image. spare is the caller's, kept between updates.
bool ProcessDeltas(const uint8_t* delta, size_t length, GrowBuffer& image, GrowBuffer& spare);

}  // namespace hd
