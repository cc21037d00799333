#include "agent/screen/ChangedRuns.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace hd {

namespace {

static_assert(std::endian::native == std::endian::little, "the word compares assume little-endian");

// Runs end where this many equal bytes follow.
constexpr uint32_t kRunGap = 8;

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// First index in [i, end) where a and b differ, or end.
uint32_t SkipEqual(const uint8_t* a, const uint8_t* b, uint32_t i, uint32_t end) {
    while (i + 8 <= end) {
        uint64_t x = Load64(a + i) ^ Load64(b + i);
        if (x) return i + uint32_t(std::countr_zero(x) / 8);
        i += 8;
    }
    while (i < end && a[i] == b[i]) ++i;
    return i;
}

// Carries a run over [j, end): runEnd follows its last differing byte and
// `equal` bytes have been equal since. True when the run ended before end.
bool Extend(const uint8_t* a, const uint8_t* b, uint32_t j, uint32_t end, uint32_t& runEnd,
            uint32_t& equal) {
    while (j + 8 <= end) {
        uint64_t x = Load64(a + j) ^ Load64(b + j);
        if (!x) return true;  // eight equal bytes
        uint32_t lead = uint32_t(std::countr_zero(x) / 8);
        if (equal + lead >= kRunGap) return true;
        uint32_t lastDiff = 7 - uint32_t(std::countl_zero(x) / 8);
        runEnd = j + lastDiff + 1;
        equal = 7 - lastDiff;
        j += 8;
    }
    for (; j < end; ++j) {
        if (a[j] != b[j]) {
            runEnd = j + 1;
            equal = 0;
        } else if (++equal == kRunGap) {
            return true;
        }
    }
    return false;
}

}  // namespace

void AreaSpans(std::span<const platform::Rect> areas, const BmpLayout& layout,
               std::vector<ByteSpan>& spans) {
    spans.clear();
    for (const platform::Rect& area : areas) {
        const platform::Rect r = platform::ClipTo(area, layout.width, layout.height);
        for (int y = r.y; y < r.y + r.h; ++y) {
            const uint32_t begin = layout.headerLen +
                                   uint32_t(layout.height - 1 - y) * layout.stride +
                                   uint32_t(r.x) * 2;
            spans.push_back({begin, begin + uint32_t(r.w) * 2});
        }
    }
    std::sort(spans.begin(), spans.end(),
              [](const ByteSpan& l, const ByteSpan& r) { return l.begin < r.begin; });
    size_t kept = 0;
    for (const ByteSpan& s : spans) {
        if (kept > 0 && s.begin <= spans[kept - 1].end)
            spans[kept - 1].end = std::max(spans[kept - 1].end, s.end);
        else
            spans[kept++] = s;
    }
    spans.resize(kept);
}

void FindChangedRuns(const uint8_t* ref, const uint8_t* work, std::span<const ByteSpan> spans,
                     std::vector<ByteSpan>& runs) {
    runs.clear();
    size_t k = 0;
    uint32_t i = spans.empty() ? 0 : spans[0].begin;
    while (k < spans.size()) {
        i = SkipEqual(ref, work, std::max(i, spans[k].begin), spans[k].end);
        if (i >= spans[k].end) {
            ++k;
            continue;
        }
        uint32_t runEnd = i + 1;
        uint32_t equal = 0;
        size_t at = k;  // the span the run has reached
        uint32_t j = i + 1;
        while (!Extend(ref, work, j, spans[at].end, runEnd, equal) && at + 1 < spans.size()) {
            // The bytes up to the next span are equal: they count toward the gap.
            const uint32_t between = spans[at + 1].begin - spans[at].end;
            if (equal + between >= kRunGap) break;
            equal += between;
            j = spans[++at].begin;
        }
        runs.push_back({i, runEnd});
        // Go on from the run's end, in the span that holds it.
        while (at > k && spans[at].begin >= runEnd) --at;
        k = at;
        i = runEnd;
    }
}

}  // namespace hd
