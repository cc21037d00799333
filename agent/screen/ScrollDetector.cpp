#include "agent/screen/ScrollDetector.h"

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

// At least a few changes of colour along the block.
bool Detailed(const uint16_t* p, int n) {
    int edges = 0;
    for (int i = 1; i < n; ++i) edges += p[i] != p[i - 1];
    return edges >= 3;
}

bool Uniform(const uint16_t* p, int n) {
    for (int i = 1; i < n; ++i)
        if (p[i] != p[0]) return false;
    return true;
}

// A probe found more often than this is not used.
constexpr int kMaxFound = 8;

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
        if (std::memcmp(a, b, size_t(w) * 2) == 0) continue;  // most rows: vectorised
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
    if (dy != 0) {
        const size_t had = out.size();
        CollectMoves(before, after, top, bottom, x0, x1, 0, dy, out);
        if (out.size() > had) return;
    }
    int mx = 0, my = 0;
    if (ProbeMove(before, after, top, bottom, mx, my))
        CollectMoves(before, after, top, bottom, x0, x1, mx, my, out);
}

void ScrollDetector::CollectMoves(const PixelRows& before, const PixelRows& after, int top,
                                  int bottom, int x0, int x1, int dx, int dy,
                                  std::vector<RowMove>& out) {
    const size_t firstNew = out.size();
    // The open block: columns [left, right) since row start.
    int start = -1, left = 0, right = 0;
    bool changed = false;
    auto close = [&](int end) {
        const int rows = end - start;
        if (start >= 0 && changed && rows >= kMinRows && rows * (right - left) >= kMinPixels)
            out.push_back(RowMove{left, start, right - left, rows, dy, dx});
        start = -1;
        changed = false;
    };
    for (int y = top; y < bottom; ++y) {
        const int s = y - dy;
        int runL = 0, runR = 0;  // the longest run equal to the moved old pixels
        if (s >= 0 && s < before.height) {
            const uint16_t* a = Row(after, y);
            const uint16_t* b = Row(before, s);
            // Only the band's changed columns: a flat background elsewhere
            // would match any shift.
            const int from = std::max(x0, dx), to = std::min(x1, after.width + dx);
            for (int x = from; x < to;) {
                if (a[x] != b[x - dx]) {
                    ++x;
                    continue;
                }
                const int l = x;
                while (x < to && a[x] == b[x - dx]) ++x;
                if (x - l > runR - runL) runL = l, runR = x;
            }
        }
        const Span& span = m_spans[size_t(y - m_spanTop)];
        const int l = std::max(runL, start >= 0 ? left : runL);
        const int r = std::min(runR, start >= 0 ? right : runR);
        // A block goes on while its columns stay mostly the same: neither
        // much narrower nor much wider than the row's own run.
        if (start >= 0 && r - l >= kProbeWidth && 2 * (r - l) >= right - left &&
            2 * (r - l) >= runR - runL) {
            left = l;
            right = r;
        } else {
            close(y);
            if (runR - runL < kProbeWidth) continue;
            start = y;
            left = runL;
            right = runR;
        }
        changed = changed || (span.first >= 0 && span.first < right && span.last > left);
    }
    close(bottom);
    // Moving down, the lowest block goes first so that no block reads rows
    // another has already overwritten.
    if (dy > 0) std::reverse(out.begin() + long(firstNew), out.end());
}

bool ScrollDetector::ProbeMove(const PixelRows& before, const PixelRows& after, int top, int bottom,
                               int& dx, int& dy) {
    m_moveVotes.clear();
    const int step = std::max(1, (bottom - top) / kProbes);
    for (int y = top; y < bottom; y += step) {
        const Span& span = m_spans[size_t(y - m_spanTop)];
        if (span.first < 0 || span.last - span.first < kProbeWidth) continue;
        // From the middle outwards, the first block with some detail: flat
        // areas would be found anywhere.
        const uint16_t* row = Row(after, y);
        const int mid = (span.first + span.last - kProbeWidth) / 2;
        int px = -1;
        for (int k = 0; px < 0 && k < 2 * after.width / kProbeWidth; ++k) {
            const int at = mid + (k % 2 ? 1 : -1) * ((k + 1) / 2) * kProbeWidth;
            if (at < span.first || at + kProbeWidth > span.last) {
                if (at < span.first && mid + ((k + 2) / 2) * kProbeWidth + kProbeWidth > span.last)
                    break;
                continue;
            }
            if (Detailed(row + at, kProbeWidth)) px = at;
        }
        if (px < 0) continue;
        const uint16_t* probe = row + px;
        // A probe in a vertical gradient is found at a few heights: each of
        // them gets a vote, and the true move collects one from every probe.
        int found = 0;
        int64_t keys[kMaxFound];
        for (int sy = std::max(0, y - kProbeReach);
             found <= kMaxFound && sy <= std::min(before.height - 1, y + kProbeReach); ++sy) {
            const uint16_t* old = Row(before, sy);
            const int lo = std::max(0, px - kProbeReach);
            const int hi = std::min(before.width - kProbeWidth, px + kProbeReach);
            for (int sx = lo; sx <= hi && found <= kMaxFound; ++sx) {
                if (old[sx] != probe[0] || (sx == px && sy == y) ||
                    std::memcmp(old + sx, probe, kProbeWidth * 2) != 0)
                    continue;
                if (found < kMaxFound) keys[found] = int64_t(y - sy) << 32 | uint32_t(px - sx);
                ++found;
            }
        }
        if (found > kMaxFound) continue;  // found all over: says nothing
        for (int i = 0; i < found; ++i) ++m_moveVotes[keys[i]];
    }
    int best = 1;
    for (auto [key, n] : m_moveVotes)
        if (n > best) {
            best = n;
            dy = int(key >> 32);
            dx = int(int32_t(uint32_t(key)));
        }
    return best >= 2;
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
