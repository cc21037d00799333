// The directory record byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "agent/files/DirRecord.h"

namespace hd {
namespace {

TEST(DirRecord, LayoutByteForByte) {
    platform::FindData e;
    e.attributes = 0x00800031;
    e.creationTime = 0x0102030405060708;
    e.lastAccessTime = 0x1112131415161718;
    e.lastWriteTime = 0x2122232425262728;
    e.size = 0x00000003A0B0C0D0;  // past 4 GiB: both words count
    e.oid = 0xCAFEF00D;
    e.name = u"A\u00e9\U0001F642";  // a surrogate pair stays two units

    std::vector<uint8_t> expected(560, 0);
    const uint8_t head[] = {
        0x31, 0x00, 0x80, 0x00,                          // attributes
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  // creation: low word, then high
        0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11,  // last access
        0x28, 0x27, 0x26, 0x25, 0x24, 0x23, 0x22, 0x21,  // last write
        0x03, 0x00, 0x00, 0x00,                          // size, high word
        0xD0, 0xC0, 0xB0, 0xA0,                          // size, low word
        0x0D, 0xF0, 0xFE, 0xCA,                          // object identifier
        0x41, 0x00, 0xE9, 0x00, 0x3D, 0xD8, 0x42, 0xDE,  // name: A, e-acute, U+1F642
        0x00, 0x00,                                      // its NUL, zeros to the end
    };
    std::copy(std::begin(head), std::end(head), expected.begin());

    std::vector<uint8_t> out(560, 0xEE);  // every byte must be written
    BuildDirRecord(e, std::span<uint8_t, 560>(out.data(), 560));
    EXPECT_EQ(out, expected);

    // A name past 259 units is cut so that its NUL stays inside the field.
    e.name.assign(300, u'n');
    BuildDirRecord(e, std::span<uint8_t, 560>(out.data(), 560));
    EXPECT_EQ(out[40 + 2 * 258], 'n');
    EXPECT_EQ(out[40 + 2 * 259], 0);
    EXPECT_EQ(out[41 + 2 * 259], 0);
}

}  // namespace
}  // namespace hd
