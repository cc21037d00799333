#include "common/ZlibPacker.h"

#include "common/ParallelDeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace hd {
namespace {

std::vector<uint8_t> Noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

// Words drawn at random from a small vocabulary: compresses like listings and text.
std::vector<uint8_t> Text(size_t n, unsigned seed) {
    static const char* kWords[] = {"int ",    "return ", "struct ", "const ", "uint32_t ",
                                   "value",   "(void);", "\n",      "    ",   "#define ",
                                   "buffer ", "length ", "= 0;",    "{\n",    "}\n"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) s += kWords[rng() % std::size(kWords)];
    s.resize(n);
    return {s.begin(), s.end()};
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& z, size_t n) {
    std::vector<uint8_t> out(n + 1);
    uLongf got = out.size();
    if (uncompress(out.data(), &got, z.data(), uLong(z.size())) != Z_OK) return {0xEE};
    out.resize(got);
    return out;
}

size_t ZlibSize(const std::vector<uint8_t>& in, int level) {
    uLongf c = compressBound(uLong(in.size()));
    std::vector<uint8_t> out(c);
    compress2(out.data(), &c, in.data(), uLong(in.size()), level);
    return c;
}

std::vector<uint8_t> Pack(ZlibPacker& p, const std::vector<uint8_t>& in, int level) {
    std::vector<uint8_t> out(ZlibPacker::Bound(in.size()));
    out.resize(p.Pack(in.data(), in.size(), out.data(), out.size(), level));
    return out;
}

TEST(ZlibPacker, OutputInflatesWithZlibToTheSameBytes) {
    ZlibPacker p;
    const std::vector<std::vector<uint8_t>> inputs = {{},
                                                      {42},
                                                      Text(1000, 1),
                                                      Text(3 << 20, 2),
                                                      Noise(5000, 3),
                                                      Noise(2 << 20, 4),
                                                      std::vector<uint8_t>(1 << 20, 0)};
    for (int level : {1, 9})
        for (const auto& in : inputs) {
            const std::vector<uint8_t> z = Pack(p, in, level);
            ASSERT_FALSE(z.empty()) << in.size() << " bytes at " << level;
            EXPECT_EQ(Inflate(z, in.size()), in) << in.size() << " bytes at " << level;
        }
}

TEST(ZlibPacker, StoresWhatDoesNotCompressAndPacksTheRest) {
    ZlibPacker p;
    const std::vector<uint8_t> noise = Noise(1 << 20, 5);
    const std::vector<uint8_t> z = Pack(p, noise, 9);
    EXPECT_EQ(p.LastLevel(), 0);
    // Stored blocks: the bytes plus a few of framing per 64 KiB, never more.
    EXPECT_LE(z.size(), noise.size() + 5 * (noise.size() / 65535 + 1) + 6);
    EXPECT_EQ(Inflate(z, noise.size()), noise);

    // Half zeros, half noise: the sample sees both halves, so it is packed.
    std::vector<uint8_t> mixed = Noise(1 << 20, 6);
    std::fill(mixed.begin(), mixed.begin() + mixed.size() / 2, 0);
    const std::vector<uint8_t> zm = Pack(p, mixed, 9);
    EXPECT_NE(p.LastLevel(), 0);
    EXPECT_LT(zm.size(), mixed.size() * 6 / 10);
    EXPECT_EQ(Inflate(zm, mixed.size()), mixed);

    // Screen updates keep zlib's own stream, except large ones that
    // libdeflate's fastest level packs as small (noise, here; never stored).
    const std::vector<uint8_t> text = Text(5000, 7);
    Pack(p, text, 1);
    EXPECT_EQ(p.LastLevel(), -1);
    const std::vector<uint8_t> zn = Pack(p, noise, 1);
    EXPECT_EQ(p.LastLevel(), 1);
    EXPECT_LE(zn.size(), ZlibSize(noise, 1));
    EXPECT_EQ(Inflate(zn, noise.size()), noise);
    const std::vector<uint8_t> bigText = Text(1 << 20, 8);
    const std::vector<uint8_t> zt = Pack(p, bigText, 1);
    EXPECT_NE(p.LastLevel(), 0);
    EXPECT_LE(zt.size(), ZlibSize(bigText, 1) * 102 / 100);
    EXPECT_EQ(Inflate(zt, bigText.size()), bigText);
}

TEST(ZlibPacker, BlocksThatAreTheirOwnSampleNeverLoseToZlib) {
    ZlibPacker p;
    for (unsigned seed = 0; seed < 4; ++seed) {
        std::vector<uint8_t> in = Text(ZlibPacker::kSampleBytes - seed * 1000, seed);
        // Some noise inside, so the ratio is not the same for every level.
        const std::vector<uint8_t> n = Noise(in.size() / 4, seed);
        std::copy(n.begin(), n.end(), in.begin() + in.size() / 3);
        const std::vector<uint8_t> z = Pack(p, in, 9);
        EXPECT_LE(z.size(), ZlibSize(in, 9)) << "seed " << seed;
        EXPECT_EQ(Inflate(z, in.size()), in);
    }
}

TEST(ZlibPacker, LargeTextGoesAtZlibsOwnRatioOnSeveralThreads) {
    // Pieces joined into one stream: the same bytes on any number of threads,
    // a stream zlib inflates, and zlib's single-stream size within what each
    // flush costs (the marker and a new block's code tables). Too little room
    // fails.
    const std::vector<uint8_t> in = Text(ParallelDeflate::kPieceBytes * 3 / 2 + 7, 9);
    std::vector<uint8_t> one(ZlibPacker::Bound(in.size())), three(one.size());
    const size_t n1 = ParallelDeflate::Pack(in.data(), in.size(), one.data(), one.size(), 9, 1);
    const size_t n3 = ParallelDeflate::Pack(in.data(), in.size(), three.data(), three.size(), 9, 3);
    ASSERT_GT(n1, 0u);
    ASSERT_EQ(n1, n3);
    EXPECT_TRUE(std::equal(one.begin(), one.begin() + long(n1), three.begin()));
    one.resize(n1);
    EXPECT_EQ(Inflate(one, in.size()), in);
    EXPECT_LE(n1, ZlibSize(in, 9) + 2 * 64);
    EXPECT_EQ(ParallelDeflate::Pack(in.data(), in.size(), three.data(), n1 - 1, 9, 3), 0u);

    // Through the packer: a transfer this large is zlib's, in pieces.
    ZlibPacker p;
    const std::vector<uint8_t> big = Text(5 << 20, 10);
    const std::vector<uint8_t> z = Pack(p, big, 9);
    EXPECT_EQ(p.LastLevel(), -1);
    EXPECT_EQ(Inflate(z, big.size()), big);
}

TEST(ZlibPacker, TooLittleRoomFailsInsteadOfOverrunning) {
    ZlibPacker p;
    const std::vector<uint8_t> noise = Noise(10000, 8);
    std::vector<uint8_t> out(noise.size() / 2 + 16, 0xAB);
    EXPECT_EQ(p.Pack(noise.data(), noise.size(), out.data(), noise.size() / 2, 9), 0u);
    for (size_t i = noise.size() / 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0xAB);
}

}  // namespace
}  // namespace hd
