// ScrollDetector: finds blocks of pixels that moved between the image as last
// sent and the fresh capture (a terminal or a list that scrolled, a window
// that moved), so the sender can say "these rows moved" instead of resending
// them. Works on plain 16-bit pixel rows. The changed rows are split into
// bands at gaps of unchanged rows. In each band the rows' bytes over the
// band's changed columns are hashed and candidate vertical shifts are voted
// for by rows whose hash is found among the old rows; when no shift wins,
// short probes of changed pixels are looked for nearby in the old image,
// which finds sideways moves too. The winner is verified row by row. Screen
// thread; owns only scratch.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace hd {

struct PixelRows {
    const uint8_t* pixels = nullptr;  // row 0
    uint32_t stride = 0;              // bytes per row
    int width = 0;
    int height = 0;
};

// Rows [y, y + rows) over columns [x, x + width) equal rows [y - dy, ...) of
// the old image at columns [x - dx, ...).
struct RowMove {
    int x = 0;
    int y = 0;
    int width = 0;
    int rows = 0;
    int dy = 0;
    int dx = 0;
    bool operator==(const RowMove&) const = default;
};

class ScrollDetector {
public:
    // Bands split at this many unchanged rows.
    static constexpr int kBandGap = 8;
    // A move covers at least this many rows and this many pixels.
    static constexpr int kMinRows = 2;
    static constexpr int kMinPixels = 256;
    // Probes: this many pixels, looked for this far in each direction.
    static constexpr int kProbeWidth = 16;
    static constexpr int kProbeReach = 64;
    static constexpr int kProbes = 32;

    // Appends the moves found in rows [top, bottom) of two images of the same
    // geometry, in an order that lets each be applied to the old image one
    // after the other, every source still unchanged when it is read.
    void Find(const PixelRows& before, const PixelRows& after, int top, int bottom,
              std::vector<RowMove>& out);

private:
    struct Span {
        int first = -1;  // changed columns [first, last); -1: unchanged row
        int last = -1;
    };
    void FindInBand(const PixelRows& before, const PixelRows& after, int top, int bottom,
                    std::vector<RowMove>& out);
    int VoteShift(const PixelRows& before, const PixelRows& after, int top, int bottom, int x0,
                  int x1);
    // The most probed (dx, dy) other than (0, 0); false when none has two votes.
    bool ProbeMove(const PixelRows& before, const PixelRows& after, int top, int bottom, int& dx,
                   int& dy);
    // Blocks of rows whose longest run over columns [x0, x1) equal to the old
    // image at (dx, dy) line up.
    void CollectMoves(const PixelRows& before, const PixelRows& after, int top, int bottom, int x0,
                      int x1, int dx, int dy, std::vector<RowMove>& out);

    std::vector<Span> m_spans;  // per row of the searched range, from m_spanTop
    int m_spanTop = 0;
    std::unordered_map<uint64_t, int> m_oldRows;
    std::unordered_map<int, int> m_votes;
    std::unordered_map<int64_t, int> m_moveVotes;
};

}  // namespace hd
