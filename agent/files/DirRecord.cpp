#include "agent/files/DirRecord.h"

#include <algorithm>
#include <cstring>

#include "common/ByteOrder.h"

namespace hd {

namespace {
void PutFileTime(uint8_t* p, uint64_t t) {
    put_le32(p, uint32_t(t));
    put_le32(p + 4, uint32_t(t >> 32));
}
}  // namespace

void BuildDirRecord(const platform::FindData& entry, std::span<uint8_t, dirrecord::kSize> out) {
    using namespace dirrecord;
    uint8_t* p = out.data();
    std::memset(p, 0, kSize);
    put_le32(p + kAttributes, entry.attributes);
    PutFileTime(p + kCreationTime, entry.creationTime);
    PutFileTime(p + kLastAccessTime, entry.lastAccessTime);
    PutFileTime(p + kLastWriteTime, entry.lastWriteTime);
    put_le32(p + kSizeHigh, uint32_t(entry.size >> 32));
    put_le32(p + kSizeLow, uint32_t(entry.size));
    put_le32(p + kOid, entry.oid);
    // The NUL always stays inside the field.
    const size_t units = std::min(entry.name.size(), kNameUnits - 1);
    for (size_t i = 0; i < units; ++i) put_le16(p + kName + 2 * i, uint16_t(entry.name[i]));
}

}  // namespace hd
