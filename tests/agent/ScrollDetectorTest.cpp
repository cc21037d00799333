// Scroll detection and the extended update end to end: blocks of rows that
// moved up or down are found (inside a window or over the whole width, at the
// image's edges), and every update the encoder builds, passed through the
// connection's stream and the desktop's decoder, leaves the desktop's image
// equal to the capture.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "agent/screen/BmpImage.h"
#include "agent/screen/ExtendedScreenEncoder.h"
#include "agent/screen/ScrollDetector.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/ExtendedUpdate.h"
#include "desktop/session/ExtendedUpdateDecoder.h"

namespace hd {
namespace {

constexpr int kW = 64, kH = 48;

// Content that differs from row to row and column to column.
uint16_t Pattern(int x, int y, int seed = 0) {
    uint32_t v = uint32_t(x * 7919 + y * 104729 + seed * 1299709);
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    return uint16_t((v ^ (v >> 15)) & 0x7FFF);
}

struct Frame {
    BmpLayout layout = LayoutFor(kW, kH);
    std::vector<uint8_t> bytes = std::vector<uint8_t>(layout.totalLen);
    Frame() {
        WriteBmpHeaders(bytes.data(), layout);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) Set(x, y, Pattern(x, y));
    }
    uint16_t Get(int x, int y) const {
        return get_le16(bytes.data() + layout.headerLen + y * layout.stride + 2 * x);
    }
    void Set(int x, int y, uint16_t v) {
        put_le16(bytes.data() + layout.headerLen + y * layout.stride + 2 * x, v);
    }
    PixelRows Rows() const { return {bytes.data() + layout.headerLen, layout.stride, kW, kH}; }
};

// Rows [top, bottom) of columns [x0, x1) shifted by dy rows and dx columns;
// the pixels uncovered get fresh content.
Frame Shifted(const Frame& old, int x0, int x1, int top, int bottom, int dy, int dx = 0) {
    Frame f = old;
    for (int y = top; y < bottom; ++y)
        for (int x = x0; x < x1; ++x) {
            const int sy = y - dy, sx = x - dx;
            const bool inside = sy >= top && sy < bottom && sx >= x0 && sx < x1;
            f.Set(x, y, inside ? old.Get(sx, sy) : Pattern(x, y, 99));
        }
    return f;
}

struct ScrollCase {
    const char* name;
    int x0, x1, top, bottom, dy, dx;
    std::vector<RowMove> expected;
};

class ScrollCases : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollCases, FindsTheShiftedRows) {
    const ScrollCase& c = GetParam();
    const Frame before;
    const Frame after = Shifted(before, c.x0, c.x1, c.top, c.bottom, c.dy, c.dx);
    ScrollDetector detector;
    std::vector<RowMove> moves;
    detector.Find(before.Rows(), after.Rows(), 0, kH, moves);
    EXPECT_EQ(moves, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scrolls, ScrollCases,
    ::testing::Values(
        // region x0, x1, top, bottom, dy, dx; expected x, y, width, rows, dy, dx
        ScrollCase{"UpInAWindow", 8, 40, 10, 40, -3, 0, {{8, 10, 32, 27, -3}}},
        ScrollCase{"DownInAWindow", 8, 40, 10, 40, 3, 0, {{8, 13, 32, 27, 3}}},
        ScrollCase{"UpFromTheTopEdge", 0, kW, 0, 20, -2, 0, {{0, 0, kW, 18, -2}}},
        ScrollCase{"DownToTheBottomEdge", 0, kW, 30, kH, 4, 0, {{0, 34, kW, 14, 4}}},
        ScrollCase{"WholeImageUpByOne", 0, kW, 0, kH, -1, 0, {{0, 0, kW, kH - 1, -1}}},
        ScrollCase{"RightEdgeColumnsDown", 48, kW, 5, 45, 6, 0, {{48, 11, 16, 34, 6}}},
        ScrollCase{"WindowMovedRightAndUp", 10, 50, 8, 40, -3, 5, {{15, 8, 35, 29, -3, 5}}},
        ScrollCase{"WindowMovedLeftAndDown", 10, 50, 8, 40, 4, -6, {{10, 12, 34, 28, 4, -6}}},
        ScrollCase{"FreshRowsOnly", 8, 40, 10, 40, 100, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The desktop's end: packets through the stream and the decoder.
struct DesktopEnd {
    ExtendedUpdateDecoder decoder;
    GrowBuffer image;
    ExtendedUpdateDecoder::Result Take(const GrowBuffer& packet) {
        EXPECT_EQ(packet.block[0], HC_EXTSCREEN);
        EXPECT_EQ(uint32_t(packet.used), 9 + get_be32(packet.block + 1));
        return decoder.Apply(packet.block + 9, get_be32(packet.block + 1),
                             get_be32(packet.block + 5), image);
    }
};

TEST(ExtendedScreenEncoder, EverySequenceEndsWithTheDesktopHoldingTheCapture) {
    ExtendedScreenEncoder encoder;
    DesktopEnd desktop;
    GrowBuffer reference, work, packet;
    Frame frame;
    const BmpLayout layout = frame.layout;
    auto send = [&](const Frame& next) {
        work.used = 0;
        grow::AddBytes(work, next.bytes.data(), uint32_t(next.bytes.size()));
        return encoder.Encode(reference, work, layout, 0, uint32_t(work.used), packet);
    };
    ASSERT_EQ(send(frame), ExtendedScreenEncoder::Result::Packet);  // the whole image first
    ASSERT_EQ(desktop.Take(packet), ExtendedUpdateDecoder::Result::Applied);

    const std::vector<std::pair<const char*, std::function<Frame(const Frame&)>>> steps = {
        {"typing line by line", [](const Frame& f) { return Shifted(f, 4, 52, 6, 42, -5); }},
        {"scrolling back", [](const Frame& f) { return Shifted(f, 4, 52, 6, 42, 5); }},
        {"a window moving right and down",
         [](const Frame& f) {
             Frame g = f;
             for (int y = 12; y < 40; ++y)
                 for (int x = 10; x < 50; ++x) g.Set(x, y, f.Get(x - 3, y - 2));
             return g;
         }},
        {"the whole screen",
         [](const Frame& f) {
             Frame g = f;
             for (int y = 0; y < kH; ++y)
                 for (int x = 0; x < kW; ++x) g.Set(x, y, Pattern(x, y, 7));
             return g;
         }},
        {"edge rows both ways", [](const Frame& f) { return Shifted(f, 0, kW, 0, kH, 7); }},
    };
    for (const auto& [name, change] : steps) {
        frame = change(frame);
        ASSERT_EQ(send(frame), ExtendedScreenEncoder::Result::Packet) << name;
        ASSERT_EQ(desktop.Take(packet), ExtendedUpdateDecoder::Result::Applied) << name;
        ASSERT_EQ(uint32_t(desktop.image.used), layout.totalLen) << name;
        EXPECT_EQ(std::memcmp(desktop.image.block, frame.bytes.data(), layout.totalLen), 0) << name;
        EXPECT_EQ(std::memcmp(reference.block, frame.bytes.data(), layout.totalLen), 0) << name;
    }
    // The same capture again: nothing to send.
    EXPECT_EQ(send(frame), ExtendedScreenEncoder::Result::Nothing);

    // A scroll costs a copy and the fresh rows, not the rows that moved.
    frame = Shifted(frame, 4, 52, 6, 42, -5);
    ASSERT_EQ(send(frame), ExtendedScreenEncoder::Result::Packet);
    ASSERT_EQ(encoder.Moves().size(), 1u);
    EXPECT_LE(encoder.Update().used, int32_t(kExtHeaderSize + kExtCopySize + 5 * (8 + 48 * 2)));
    EXPECT_EQ(desktop.Take(packet), ExtendedUpdateDecoder::Result::Applied);
    EXPECT_EQ(std::memcmp(desktop.image.block, frame.bytes.data(), layout.totalLen), 0);
}

TEST(ExtendedUpdateDecoder, SkipsMalformedUpdatesAndStopsOnABrokenStream) {
    UpdateCompressor stream;
    ExtendedUpdateDecoder decoder;
    GrowBuffer image;
    std::vector<uint8_t> packed(1024);
    auto send = [&](const std::vector<uint8_t>& update) {
        const size_t c =
            stream.Compress(update.data(), update.size(), packed.data(), packed.size());
        EXPECT_GT(c, 0u);
        return decoder.Apply(packed.data(), uint32_t(c), uint32_t(update.size()), image);
    };
    std::vector<uint8_t> full(kExtHeaderSize + kExtSegmentHeaderSize + 16, 5);
    put_be32(full.data(), 16);
    put_be16(full.data() + 4, 0);
    put_be32(full.data() + 6, 0);
    put_be32(full.data() + 10, 16);
    EXPECT_EQ(send(full), ExtendedUpdateDecoder::Result::Applied);
    std::vector<uint8_t> bad = full;
    put_be32(bad.data() + 10, 17);  // one byte past the image
    bad.push_back(6);
    EXPECT_EQ(send(bad), ExtendedUpdateDecoder::Result::Skipped);
    EXPECT_EQ(std::vector<uint8_t>(image.block, image.block + image.used),
              std::vector<uint8_t>(16, 5));
    full[kExtHeaderSize + kExtSegmentHeaderSize] = 9;
    EXPECT_EQ(send(full), ExtendedUpdateDecoder::Result::Applied);  // still in step
    EXPECT_EQ(image.block[0], 9);

    // A piece that announces more or less than it holds, then garbage.
    const size_t c = stream.Compress(full.data(), full.size(), packed.data(), packed.size());
    EXPECT_EQ(decoder.Apply(packed.data(), uint32_t(c), uint32_t(full.size() + 1), image),
              ExtendedUpdateDecoder::Result::Broken);
    ExtendedUpdateDecoder fresh;
    const std::vector<uint8_t> junk(64, 0xA5);
    EXPECT_EQ(fresh.Apply(junk.data(), 64, 16, image), ExtendedUpdateDecoder::Result::Broken);
}

}  // namespace
}  // namespace hd
