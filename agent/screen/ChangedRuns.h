// ChangedRuns: where the freshly captured image differs from the image last
// sent, as the runs the update encodes. A run starts at a differing byte and
// ends where 8 equal bytes follow. The walk may be limited to spans of the
// image (the damaged rows); the bytes between spans are known to be equal,
// so the runs are those a walk over the whole image would find. Plain
// functions over memory, any thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "agent/platform/Rect.h"
#include "agent/screen/BmpImage.h"

namespace hd {

// Bytes [begin, end) of the image.
struct ByteSpan {
    uint32_t begin = 0;
    uint32_t end = 0;
    bool operator==(const ByteSpan&) const = default;
};

// The rows of the areas (screen pixels, top-down) as byte spans of the
// bottom-up image, sorted, with touching and overlapping spans joined.
void AreaSpans(std::span<const platform::Rect> areas, const BmpLayout& layout,
               std::vector<ByteSpan>& spans);

// The changed runs of work against ref inside the spans (sorted, disjoint).
void FindChangedRuns(const uint8_t* ref, const uint8_t* work, std::span<const ByteSpan> spans,
                     std::vector<ByteSpan>& runs);

}  // namespace hd
