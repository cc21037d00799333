#include <gtest/gtest.h>

#include <random>

#include "common/ByteOrder.h"
#include "common/SegmentEncoder.h"
#include "desktop/session/ProcessDeltas.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

std::vector<uint8_t> Be32(uint32_t v) {
    std::vector<uint8_t> b(4);
    put_be32(b.data(), v);
    return b;
}

// A delta: total length, then (offset, body) segments.
std::vector<uint8_t> Delta(uint32_t total,
                           const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& segs) {
    std::vector<uint8_t> d = Be32(total);
    for (auto& [off, body] : segs) {
        auto o = Be32(off), l = Be32(uint32_t(body.size()));
        d.insert(d.end(), o.begin(), o.end());
        d.insert(d.end(), l.begin(), l.end());
        d.insert(d.end(), body.begin(), body.end());
    }
    return d;
}

std::vector<uint8_t> Bytes(const GrowBuffer& b) {
    return {b.block, b.block + b.used};
}

TEST(DeltaDecoder, EachOperationWritesWhatItSays) {
    GrowBuffer image;
    // short repeat, copy, zeros, long repeat of 100 units
    std::vector<uint8_t> body = {
        0x03, 0xAB, 0xCD,                    // ABCD x3      -> 6 bytes
        0x42, 0x11, 0x22,                    // copy 2       -> 2 bytes
        0x84,                                // 4 zeros      -> 4 bytes
        0xC0, 0x00, 0x00, 0x64, 0x01, 0x02,  // 0102 x100    -> 200 bytes
    };
    auto d = Delta(212, {{0, body}});
    ASSERT_TRUE(ProcessDeltas(d.data(), d.size(), image));
    ASSERT_EQ(image.used, 212);
    std::vector<uint8_t> want = {0xAB, 0xCD, 0xAB, 0xCD, 0xAB, 0xCD, 0x11, 0x22, 0, 0, 0, 0};
    for (int i = 0; i < 100; ++i) want.insert(want.end(), {0x01, 0x02});
    EXPECT_EQ(Bytes(image), want);

    // A later partial update writes at its offset and keeps the rest.
    auto p = Delta(212, {{6, {0x41, 0x99}}, {210, {0x41, 0x77, 0x42, 0x66}}});
    ASSERT_FALSE(ProcessDeltas(p.data(), p.size(), image));  // second segment ends past 212
    EXPECT_EQ(Bytes(image), want);                           // refused whole: nothing applied
    p = Delta(212, {{6, {0x41, 0x99}}, {210, {0x41, 0x77}}});
    ASSERT_TRUE(ProcessDeltas(p.data(), p.size(), image));
    want[6] = 0x99;
    want[210] = 0x77;
    EXPECT_EQ(Bytes(image), want);

    // One segment from the start is written beside the image and swapped in:
    // the bytes it does not reach are the image's, and those the image gains
    // are zero, even where the spare block held an older, longer image.
    GrowBuffer spare;
    auto step = [&](const std::vector<uint8_t>& d) {
        ASSERT_TRUE(ProcessDeltas(d.data(), d.size(), image, spare));
        EXPECT_EQ(Bytes(image), want);
    };
    const std::vector<uint8_t> fill = {0x02, 0x5A, 0xA5}, filled = {0x5A, 0xA5, 0x5A, 0xA5};
    want[0] = 0x33;
    want.insert(want.end(), 4, 0);
    step(Delta(216, {{0, {0x41, 0x33}}}));  // grows by four zeros
    std::copy(filled.begin(), filled.end(), want.begin() + 212);
    step(Delta(216, {{212, fill}}));  // not from the start: written in place
    std::copy(filled.begin(), filled.end(), want.begin());
    want.resize(212);
    step(Delta(212, {{0, fill}}));  // shrinks; the spare now holds the longer image
    want[0] = 0x33;
    want.insert(want.end(), 4, 0);
    step(Delta(216, {{0, {0x41, 0x33}}}));
}

TEST(DeltaDecoder, RefusesEveryWriteOrReadPastTheEnd) {
    test::LogCapture logs;
    GrowBuffer image;
    auto base = Delta(16, {{0, {0x08, 0, 0}}});
    ASSERT_TRUE(ProcessDeltas(base.data(), base.size(), image));
    const std::vector<uint8_t> before = Bytes(image);
    std::vector<std::vector<uint8_t>> bad = {
        {0, 0},                                            // shorter than the total length
        Delta(16, {{17, {0x41, 1}}}),                      // offset past the image
        Delta(16, {{15, {0x02, 1, 2}}}),                   // repeat past the end
        Delta(16, {{0, {0x09, 1, 2}}}),                    // 18 bytes into 16
        Delta(16, {{14, {0x84}}}),                         // zeros past the end
        Delta(16, {{0, {0xFF, 0xFF, 0xFF, 0xFF, 1, 2}}}),  // a billion units
        Delta(16, {{0, {0x45, 1, 2}}}),                    // copy longer than its body
        Delta(16, {{0, {0xC0, 0, 0}}}),                    // long repeat cut short
        Delta(16, {{0, {0x02, 1}}}),                       // unit cut short
        Delta(0x7FFFFFFF, {}),                             // an image past the ceiling
    };
    auto cut = Delta(16, {{0, {0x41, 5}}});
    cut.resize(cut.size() - 3);  // segment header claims more than is there
    bad.push_back(cut);
    GrowBuffer spare;  // the one-walk path for updates of one segment from the start
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(ProcessDeltas(bad[i].data(), bad[i].size(), image)) << i;
        EXPECT_EQ(Bytes(image), before) << i;
        EXPECT_FALSE(ProcessDeltas(bad[i].data(), bad[i].size(), image, spare)) << i;
        EXPECT_EQ(Bytes(image), before) << i;
    }
    EXPECT_TRUE(logs.HasForced("R::ProcessDeltas:Error"));
}

// Encoding work from offset on and applying it to the reference yields the
// reference's head and work's tail, byte for byte.
void RoundTrip(const std::vector<uint8_t>& ref, const std::vector<uint8_t>& work,
               uint32_t offset = 0) {
    GrowBuffer delta;
    grow::AddLong(delta, uint32_t(ref.size()));
    ASSERT_TRUE(EncodeSegment(delta, offset, work.data() + offset, uint32_t(work.size() - offset)));
    std::vector<uint8_t> want = ref;
    std::copy(work.begin() + offset, work.end(), want.begin() + offset);
    for (const bool oneWalk : {false, true}) {
        GrowBuffer image, spare;
        grow::AddBytes(image, ref.data(), uint32_t(ref.size()));
        ASSERT_TRUE(oneWalk ? ProcessDeltas(delta.block, size_t(delta.used), image, spare)
                            : ProcessDeltas(delta.block, size_t(delta.used), image));
        ASSERT_EQ(Bytes(image), want) << (oneWalk ? "one walk" : "two walks");
    }
}

TEST(DeltaCodec, RoundTripsRandomAndStructuredFrames) {
    std::mt19937 rng(42);
    for (int iter = 0; iter < 300; ++iter) {
        const size_t n = rng() % 3000 + 1;  // odd and even lengths
        std::vector<uint8_t> ref(n), work(n);
        for (auto& b : ref) b = uint8_t(rng());
        const int style = iter % 4;
        for (size_t i = 0; i < n; ++i) {
            switch (style) {
                case 0:
                    work[i] = uint8_t(rng());
                    break;  // noise
                case 1:
                    work[i] = (i / 37) % 2 ? 0 : uint8_t(rng() % 3);
                    break;  // zeros, runs
                case 2:
                    work[i] = uint8_t((i % 2) ? 0x7C : 0x1F);
                    break;  // one colour
                default:
                    work[i] = uint8_t((i / (rng() % 200 + 1)) & 0xFF);  // bands
            }
        }
        RoundTrip(ref, work, uint32_t(rng() % n));
        std::copy(ref.begin(), ref.begin() + rng() % n, work.begin());
        RoundTrip(ref, work);
    }
}

TEST(DeltaCodec, EncoderPicksTheShortForms) {
    GrowBuffer d;
    std::vector<uint8_t> px(200);
    for (size_t i = 0; i < px.size(); i += 2) px[i] = 0x34, px[i + 1] = 0x12;
    ASSERT_TRUE(EncodeSegment(d, 54, px.data(), 200));
    // offset, length 6, then the long repeat of 100 units and the unit
    EXPECT_EQ(Bytes(d),
              (std::vector<uint8_t>{0, 0, 0, 54, 0, 0, 0, 6, 0xC0, 0, 0, 100, 0x34, 0x12}));
    d.used = 0;
    const uint8_t two[] = {0x55, 0x66};
    ASSERT_TRUE(EncodeSegment(d, 8, two, 2));
    EXPECT_EQ(Bytes(d), (std::vector<uint8_t>{0, 0, 0, 8, 0, 0, 0, 3, 0x42, 0x55, 0x66}));
    d.used = 0;
    const uint8_t zeros[] = {0, 0, 0, 1, 2, 3};
    ASSERT_TRUE(EncodeSegment(d, 0, zeros, 6));
    EXPECT_EQ(Bytes(d), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 5, 0x83, 0x43, 1, 2, 3}));
}

}  // namespace
}  // namespace hd
