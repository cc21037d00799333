// ScrollDetector: finds blocks of rows that moved vertically between the image
// as last sent and the fresh capture (a terminal or a list that scrolled), so
// the sender can say "these rows moved" instead of resending them. Works on
// plain 16-bit pixel rows. The changed rows are split into bands at gaps of
// unchanged rows; in each band the rows' bytes over the band's changed columns
// are hashed, candidate shifts are voted for by rows whose hash is found, and
// the winning shift is verified row by row. Screen thread; owns only scratch.
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
// the old image at the same columns.
struct RowMove {
    int x = 0;
    int y = 0;
    int width = 0;
    int rows = 0;
    int dy = 0;
    bool operator==(const RowMove&) const = default;
};

class ScrollDetector {
public:
    // Bands split at this many unchanged rows.
    static constexpr int kBandGap = 8;
    // A move covers at least this many rows and this many pixels.
    static constexpr int kMinRows = 2;
    static constexpr int kMinPixels = 256;

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

    std::vector<Span> m_spans;  // per row of the searched range, from m_spanTop
    int m_spanTop = 0;
    std::unordered_map<uint64_t, int> m_oldRows;
    std::unordered_map<int, int> m_votes;
};

}  // namespace hd
