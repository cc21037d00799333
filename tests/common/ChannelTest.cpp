#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "common/ByteOrder.h"
#include "common/Channel.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using test::FakeStream;
using test::LogCapture;

std::vector<uint8_t> Packed(const std::vector<uint8_t>& data, int level = 9) {
    uLongf c = compressBound(data.size());
    std::vector<uint8_t> out(8 + c);
    compress2(out.data() + 8, &c, data.data(), data.size(), level);
    put_be32(out.data(), uint32_t(c));
    put_be32(out.data() + 4, uint32_t(data.size()));
    out.resize(8 + c);
    return out;
}

TEST(Channel, ReadsSeeTimeoutsOnlyThroughReadBytes) {
    FakeStream s;
    s.AddTimeout();
    s.AddTimeout();
    s.AddBytes({7, 8});
    Channel ch(&s);
    uint8_t b[2];
    EXPECT_EQ(ch.ReadBytes(b, 2), READ_TIMEOUT);
    EXPECT_EQ(s.Consumed(), 0u);
    EXPECT_EQ(ch.ReadFully(b, 2), READ_DONE);  // the second time-out is waited out
    EXPECT_EQ(b[0], 7);
    EXPECT_EQ(b[1], 8);
    s.AddFailure();
    EXPECT_EQ(ch.ReadFully(b, 1), READ_FAILED);

    Channel none(nullptr);
    EXPECT_EQ(none.ReadBytes(b, 1), READ_FAILED);
    EXPECT_FALSE(none.WriteBytes(b, 1));
}

TEST(Channel, PackedTransferRoundTripsAndStaysInStep) {
    FakeStream wire;
    Channel sender(&wire);
    GrowBuffer scratch;
    std::vector<uint8_t> text(100000);
    std::mt19937 rng(1);
    for (auto& b : text) b = uint8_t(rng() % 4);  // compresses, but not to nothing
    ASSERT_TRUE(sender.PackNSend(scratch, text.data(), uint32_t(text.size())));
    ASSERT_TRUE(sender.PackNSend(scratch, nullptr, 0));  // an empty transfer is valid
    // Incompressible input larger than the old fixed slack must still fit.
    std::vector<uint8_t> noise(1 << 20);
    for (auto& b : noise) b = uint8_t(rng());
    ASSERT_TRUE(sender.PackNSend(scratch, noise.data(), uint32_t(noise.size())));

    FakeStream in;
    in.AddBytes(wire.Written());
    Channel receiver(&in);
    GrowBuffer pkt, dst;
    ASSERT_TRUE(receiver.ReceiveNUnpack(pkt, dst));
    EXPECT_EQ(std::vector<uint8_t>(dst.block, dst.block + dst.used), text);
    ASSERT_TRUE(receiver.ReceiveNUnpack(pkt, dst));
    EXPECT_EQ(dst.used, 0);
    ASSERT_TRUE(receiver.ReceiveNUnpack(pkt, dst));
    EXPECT_EQ(std::vector<uint8_t>(dst.block, dst.block + dst.used), noise);
    EXPECT_EQ(in.Left(), 0u);
}

TEST(Channel, BadPacketsFailWithoutLosingStep) {
    LogCapture logs;
    std::vector<uint8_t> good = Packed(std::vector<uint8_t>(300, 'x'));
    std::vector<uint8_t> corrupt = good;
    corrupt[12] ^= 0xFF;  // inside the zlib body
    FakeStream in;
    in.AddBytes(corrupt);
    in.AddBytes(good);
    Channel ch(&in);
    GrowBuffer pkt, dst;
    EXPECT_FALSE(ch.ReceiveNUnpack(pkt, dst));
    EXPECT_TRUE(logs.HasForced("HC::ReceiveNUnpack:Error reading compressed data from stream"));
    EXPECT_EQ(in.Consumed(), corrupt.size());  // exactly 8 + C bytes
    EXPECT_TRUE(ch.ReceiveNUnpack(pkt, dst));
    EXPECT_EQ(dst.used, 300);

    // A body that inflates past the announced length is refused.
    std::vector<uint8_t> liar = Packed(std::vector<uint8_t>(5000, 'y'));
    put_be32(liar.data() + 4, 100);
    FakeStream in2;
    in2.AddBytes(liar);
    Channel ch2(&in2);
    EXPECT_FALSE(ch2.ReceiveNUnpack(pkt, dst));

    // A truncated header is a length read failure.
    FakeStream in3;
    in3.AddBytes({0, 0, 0});
    Channel ch3(&in3);
    EXPECT_FALSE(ch3.ReceiveNUnpack(pkt, dst));
    EXPECT_TRUE(logs.HasForced("HC::ReceiveNUnpack:Error reading length from stream"));
}

TEST(Channel, AnnouncedLengthsAreBoundedBeforeAllocating) {
    LogCapture logs;
    Channel::SetTransferCeiling(1000);
    GrowBuffer pkt, dst;
    struct Case {
        uint32_t c, u;
        bool ok;
    };
    std::vector<uint8_t> body = Packed(std::vector<uint8_t>(1000, 'z'));
    const uint32_t c = get_be32(body.data());
    for (Case k : {Case{c, 1000, true}, Case{c, 1001, false}, Case{1001, 10, false},
                   Case{0x80000000u, 10, false}, Case{c, 0xFFFFFFFFu, false}}) {
        FakeStream in;
        std::vector<uint8_t> p = body;
        put_be32(p.data(), k.c);
        put_be32(p.data() + 4, k.u);
        in.AddBytes(p);
        Channel ch(&in);
        EXPECT_EQ(ch.ReceiveNUnpack(pkt, dst), k.ok) << k.c << " " << k.u;
        if (!k.ok && k.c != c) {
            // Out of step for good: the channel must not read on.
            uint8_t b;
            EXPECT_EQ(ch.ReadBytes(&b, 1), READ_FAILED);
            EXPECT_LE(pkt.capacity, 1000u);
        }
    }
    Channel::SetTransferCeiling(kDefaultTransferCeiling);
}

TEST(Channel, WriteFailureIsReported) {
    FakeStream s;
    s.FailWritesAfter(0);
    Channel ch(&s);
    uint8_t b = 1;
    EXPECT_FALSE(ch.WriteBytes(&b, 1));
    GrowBuffer pkt;
    EXPECT_FALSE(ch.PackNSend(pkt, &b, 1));
}

TEST(GrowableBuffer, GrowsToExactlyWhatIsNeeded) {
    GrowBuffer b;
    ASSERT_TRUE(grow::MakeRoom(b, 12));
    EXPECT_EQ(b.capacity, 12u);
    b.used = 10;
    uint8_t* before = b.block;
    ASSERT_TRUE(grow::MakeRoom(b, 2));
    EXPECT_EQ(b.block, before);  // enough room: untouched
    ASSERT_TRUE(grow::MakeRoom(b, 5));
    EXPECT_EQ(b.capacity, 15u);

    b.used = 0;
    ASSERT_TRUE(grow::AddLong(b, 16909060));
    ASSERT_TRUE(grow::AddByte(b, 0x1FF));
    const uint8_t tail[] = {9, 9};
    ASSERT_TRUE(grow::AddBytes(b, tail, 2));
    EXPECT_EQ(std::vector<uint8_t>(b.block, b.block + b.used),
              (std::vector<uint8_t>{1, 2, 3, 4, 0xFF, 9, 9}));

    LogCapture logs;
    const uint32_t cap = b.capacity;
    EXPECT_FALSE(grow::MakeRoom(b, int64_t(INT32_MAX)));  // would overflow the count
    EXPECT_EQ(b.capacity, cap);
    EXPECT_TRUE(logs.HasForced("MB::MakeRoom:Error resizing buffer"));
}

TEST(DeviceLog, LineFormat) {
    std::string line = log::FormatDeviceLine("PI:hello");
    int y, mo, d, h, mi, s;
    char text[64];
    ASSERT_EQ(std::sscanf(line.c_str(), "%d/%d/%d %d:%d:%d: %63s", &y, &mo, &d, &h, &mi, &s, text),
              7);
    EXPECT_STREQ(text, "PI:hello");
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find("/0"), std::string::npos);  // no leading zeros
    std::string longLine = log::FormatDeviceLine(std::string(400, 'a').c_str());
    EXPECT_EQ(longLine.size(), 251u);
    EXPECT_EQ(longLine.back(), '\n');
}

}  // namespace
}  // namespace hd
