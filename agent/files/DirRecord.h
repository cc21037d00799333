// The directory record that HC_HD_DIR and HC_HD_DIRTREE send: the handheld's
// search result as a 560-byte little-endian memory image, built field by
// field from a search entry, every byte behind the name's terminator zero.
// Pure functions, used on the HdInvoke thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "agent/platform/Files.h"

namespace hd {

//   offset width field
//    0      4   attributes (bit 0x00800000: HASSUBDIRS in directory-tree listings)
//    4      8   creation time, FILETIME, low word first
//   12      8   last access time
//   20      8   last write time
//   28      4   size, high word
//   32      4   size, low word
//   36      4   object identifier
//   40    520   name, UTF-16LE, at most 259 units and a NUL, zero-filled
namespace dirrecord {
constexpr size_t kAttributes = 0;
constexpr size_t kCreationTime = 4;
constexpr size_t kLastAccessTime = 12;
constexpr size_t kLastWriteTime = 20;
constexpr size_t kSizeHigh = 28;
constexpr size_t kSizeLow = 32;
constexpr size_t kOid = 36;
constexpr size_t kName = 40;
constexpr size_t kNameUnits = 260;
constexpr size_t kSize = 560;
static_assert(kName + 2 * kNameUnits == kSize, "the record ends with its name field");
}  // namespace dirrecord

constexpr uint32_t kAttrHasSubdirs = 0x00800000;

void BuildDirRecord(const platform::FindData& entry, std::span<uint8_t, dirrecord::kSize> out);

}  // namespace hd
