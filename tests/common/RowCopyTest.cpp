// The extended update's copy operation: every copy behaves as if it read a
// snapshot of the image taken before it, overlapping or not, up to the
// image's edges; copies that leave the image are refused before use.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "common/ByteOrder.h"
#include "common/ExtendedUpdate.h"

namespace hd {
namespace {

struct CopyCase {
    const char* name;
    RowCopy copy;
};

// A 10-row image of 16 bytes a row, each byte its own index.
constexpr uint32_t kStride = 16, kRows = 10, kTotal = kStride * kRows;

class RowCopyCases : public ::testing::TestWithParam<CopyCase> {};

TEST_P(RowCopyCases, MatchesACopyFromASnapshot) {
    const RowCopy c = GetParam().copy;
    ASSERT_TRUE(RowCopyFits(c, kTotal));
    std::vector<uint8_t> image(kTotal);
    std::iota(image.begin(), image.end(), uint8_t(0));
    const std::vector<uint8_t> before = image;
    std::vector<uint8_t> expected = image;
    for (uint32_t r = 0; r < c.rows; ++r)
        for (uint32_t i = 0; i < c.rowBytes; ++i)
            expected[c.dst + r * c.stride + i] = before[c.src + r * c.stride + i];
    ApplyRowCopy(image.data(), c);
    EXPECT_EQ(image, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, RowCopyCases,
    ::testing::Values(
        // src, dst, row bytes, rows, stride
        CopyCase{"ScrollUpOverlapping", {3 * kStride, 1 * kStride, kStride, 7, kStride}},
        CopyCase{"ScrollDownOverlapping", {1 * kStride, 3 * kStride, kStride, 7, kStride}},
        CopyCase{"DownByOneRowPartColumns", {2 * kStride + 4, 3 * kStride + 4, 8, 6, kStride}},
        CopyCase{"RightAndDownOverlapping", {0, kStride + 2, 12, 9, kStride}},
        CopyCase{"LeftAndUpOverlapping", {kStride + 2, 0, 12, 9, kStride}},
        CopyCase{"WithinOneRowRight", {5 * kStride, 5 * kStride + 3, 13, 1, kStride}},
        CopyCase{"FirstRowToLastRow", {0, (kRows - 1) * kStride, kStride, 1, kStride}},
        CopyCase{"WholeImageMinusOneRowDown", {0, kStride, kStride, kRows - 1, kStride}},
        CopyCase{"OntoItself", {2 * kStride, 2 * kStride, kStride, 4, kStride}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RowCopy, RefusesCopiesThatLeaveTheImageOrOverlapTheirRows) {
    const struct {
        RowCopy copy;
        bool fits;
    } cases[] = {
        {{0, kStride, kStride, kRows - 1, kStride}, true},  // ends at the last byte
        {{0, kStride, kStride, kRows, kStride}, false},     // one row past the end
        {{0, kTotal - 4, 5, 1, kStride}, false},            // one byte past the end
        {{kTotal - 4, 0, 5, 1, kStride}, false},            // the source, likewise
        {{0, 0, 0, 1, kStride}, false},                     // empty rows
        {{0, 0, 4, 0, kStride}, false},                     // no rows
        {{0, 32, 17, 2, kStride}, false},                   // rows wider than the stride
        {{0, 0, 17, 1, kStride}, true},                     // one wide row is fine
        {{0xFFFFFFF0u, 0, 32, 1, kStride}, false},          // offsets that would wrap
        {{0, 0, 1, 0x80000000u, 0x80000000u}, false},       // a span past 32 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowCopyFits(c.copy, kTotal), c.fits)
            << c.copy.src << " " << c.copy.dst << " " << c.copy.rowBytes << " " << c.copy.rows;
}

TEST(ExtendedUpdate, ValidatesEveryCopyAndSegmentBeforeUse) {
    // Total 32, one copy, one segment of 4 bytes at 28.
    std::vector<uint8_t> u(kExtHeaderSize + kExtCopySize + kExtSegmentHeaderSize + 4);
    put_be32(u.data(), 32);
    put_be16(u.data() + 4, 1);
    PutRowCopy(u.data() + 6, RowCopy{0, 16, 16, 1, 16});
    put_be32(u.data() + 26, 28);
    put_be32(u.data() + 30, 4);
    EXPECT_TRUE(ExtendedUpdateValid(u));
    std::vector<uint8_t> image(32, 7);
    image[0] = 1;
    u[34] = 9;
    ApplyExtendedUpdate(u, image.data());
    EXPECT_EQ(image[16], 1);  // copied before the segment wrote
    EXPECT_EQ(image[28], 9);

    auto broken = [&](auto change) {
        std::vector<uint8_t> b = u;
        change(b);
        return !ExtendedUpdateValid(b);
    };
    EXPECT_TRUE(broken([](auto& b) { put_be32(b.data() + 26, 29); }));  // segment past the end
    EXPECT_TRUE(broken([](auto& b) { put_be32(b.data() + 30, 5); }));   // body past the update
    EXPECT_TRUE(broken([](auto& b) { b.pop_back(); }));                 // truncated body
    EXPECT_TRUE(broken([](auto& b) { b.resize(b.size() + 3); }));       // a header cut short
    EXPECT_TRUE(broken([](auto& b) { put_be16(b.data() + 4, 2); }));    // copies past the update
    EXPECT_TRUE(broken([](auto& b) { put_be16(b.data() + 4, 0xFFFF); }));
    EXPECT_TRUE(broken([](auto& b) { put_be32(b.data() + 10, 17); }));  // copy past the end
    EXPECT_TRUE(broken([](auto& b) { b.resize(5); }));                  // no header
}

}  // namespace
}  // namespace hd
