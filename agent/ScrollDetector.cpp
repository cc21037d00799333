#include "agent/ScrollDetector.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace hd {

namespace {

inline const uint16_t* Row(const PixelRows& f, int y) {
    return reinterpret_cast<const uint16_t*>(f.pixels + size_t(y) * f.stride);
}

uint64_t HashPixels(const uint16_t* p, int n) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ uint64_t(n);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    for (; i < n; ++i) h = (h ^ p[i]) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 32);
}

bool Uniform(const uint16_t* p, int n) {
    for (int i = 1; i < n; ++i)
        if (p[i] != p[0]) return false;
    return true;
}

// Sources that are ambiguous (the same row content more than once) vote for nothing.
constexpr int kAmbiguous = -1;

}  // namespace

void ScrollDetector::Find(const PixelRows& before, const PixelRows& after, int top, int bottom,
                          std::vector<RowMove>& out) {
    top = std::max(top, 0);
    bottom = std::min(bottom, std::min(before.height, after.height));
    if (bottom - top < kMinRows || before.width != after.width) return;
    const int w = after.width;
    m_spanTop = top;
    m_spans.assign(size_t(bottom - top), Span{});
    for (int y = top; y < bottom; ++y) {
        const uint16_t* a = Row(before, y);
        const uint16_t* b = Row(after, y);
        int f = 0;
        while (f < w && a[f] == b[f]) ++f;
        if (f == w) continue;
        int l = w;
        while (a[l - 1] == b[l - 1]) --l;
        m_spans[size_t(y - top)] = Span{f, l};
    }
    // Bands of changed rows, split at kBandGap unchanged rows.
    int y = top;
    while (y < bottom) {
        while (y < bottom && m_spans[size_t(y - top)].first < 0) ++y;
        if (y >= bottom) break;
        const int start = y;
        int lastChanged = y;
        while (y < bottom && y - lastChanged < kBandGap) {
            if (m_spans[size_t(y - top)].first >= 0) lastChanged = y;
            ++y;
        }
        FindInBand(before, after, start, lastChanged + 1, out);
    }
}

void ScrollDetector::FindInBand(const PixelRows& before, const PixelRows& after, int top,
                                int bottom, std::vector<RowMove>& out) {
    if (bottom - top < kMinRows) return;
    int x0 = after.width, x1 = 0;
    for (int y = top; y < bottom; ++y) {
        const Span& s = m_spans[size_t(y - m_spanTop)];
        if (s.first < 0) continue;
        x0 = std::min(x0, s.first);
        x1 = std::max(x1, s.last);
    }
    const int w = x1 - x0;
    if (w <= 0) return;
    const int dy = VoteShift(before, after, top, bottom, x0, x1);
    if (dy == 0) return;
    // Runs of rows that equal the shifted old rows and hold a change.
    const size_t firstNew = out.size();
    int y = top;
    while (y < bottom) {
        const int s = y - dy;
        const bool match = s >= 0 && s < before.height &&
                           std::memcmp(Row(after, y) + x0, Row(before, s) + x0, size_t(w) * 2) == 0;
        if (!match) {
            ++y;
            continue;
        }
        const int start = y;
        bool changed = false;
        while (y < bottom) {
            const int src = y - dy;
            if (src < 0 || src >= before.height ||
                std::memcmp(Row(after, y) + x0, Row(before, src) + x0, size_t(w) * 2) != 0)
                break;
            changed = changed || m_spans[size_t(y - m_spanTop)].first >= 0;
            ++y;
        }
        const int rows = y - start;
        if (changed && rows >= kMinRows && rows * w >= kMinPixels)
            out.push_back(RowMove{x0, start, w, rows, dy});
    }
    // Moving down, the lowest block goes first so that no block reads rows
    // another has already overwritten.
    if (dy > 0) std::reverse(out.begin() + long(firstNew), out.end());
}

int ScrollDetector::VoteShift(const PixelRows& before, const PixelRows& after, int top, int bottom,
                              int x0, int x1) {
    const int w = x1 - x0;
    const int reach = bottom - top;
    const int from = std::max(0, top - reach);
    const int to = std::min(before.height, bottom + reach);
    m_oldRows.clear();
    for (int s = from; s < to; ++s) {
        const uint16_t* p = Row(before, s) + x0;
        if (Uniform(p, w)) continue;
        auto [it, fresh] = m_oldRows.try_emplace(HashPixels(p, w), s);
        if (!fresh) it->second = kAmbiguous;
    }
    m_votes.clear();
    for (int y = top; y < bottom; ++y) {
        if (m_spans[size_t(y - m_spanTop)].first < 0) continue;
        const uint16_t* p = Row(after, y) + x0;
        if (Uniform(p, w)) continue;
        auto it = m_oldRows.find(HashPixels(p, w));
        if (it == m_oldRows.end() || it->second == kAmbiguous || it->second == y) continue;
        ++m_votes[y - it->second];
    }
    int best = 0, count = 1;  // a shift needs two rows to vote for it
    for (auto [dy, n] : m_votes)
        if (n > count || (n == count && best != 0 && std::abs(dy) < std::abs(best))) {
            best = dy;
            count = n;
        }
    return count >= 2 ? best : 0;
}

}  // namespace hd
