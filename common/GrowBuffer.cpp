#include "common/GrowBuffer.h"

#include <cstdlib>
#include <cstring>

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd {

void GrowBuffer::Free() {
    std::free(block);
    block = nullptr;
    capacity = 0;
    used = 0;
}

namespace grow {

bool MakeRoom(uint8_t** block, uint32_t* capacity, int32_t* used, int64_t needed) {
    if (int64_t(*capacity) - int64_t(*used) >= needed) return true;
    int64_t want = int64_t(*used) + needed;
    void* grown = nullptr;
    if (needed >= 0 && *used >= 0 && want <= INT32_MAX) grown = std::realloc(*block, size_t(want));
    if (!grown) {
        log::Forced("MB::MakeRoom:Error resizing buffer *pBufLen=%d *pBytesUsed=%d DataLen=%d\n",
                    int(*capacity), int(*used), int(needed));
        return false;
    }
    *block = static_cast<uint8_t*>(grown);
    *capacity = uint32_t(want);
    return true;
}

bool AddBytes(uint8_t** block, uint32_t* capacity, int32_t* used, const void* src, uint32_t n) {
    if (!MakeRoom(block, capacity, used, n)) return false;
    if (n) std::memcpy(*block + *used, src, n);
    *used += int32_t(n);
    return true;
}

bool AddByte(uint8_t** block, uint32_t* capacity, int32_t* used, uint32_t value) {
    if (!MakeRoom(block, capacity, used, 1)) return false;
    (*block)[*used] = uint8_t(value);
    *used += 1;
    return true;
}

bool AddLong(uint8_t** block, uint32_t* capacity, int32_t* used, uint32_t value) {
    if (!MakeRoom(block, capacity, used, 4)) return false;
    put_be32(*block + *used, value);
    *used += 4;
    return true;
}

}  // namespace grow
}  // namespace hd
