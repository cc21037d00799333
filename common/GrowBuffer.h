// GrowBuffer (log tag "MB"), the growable buffer: block, capacity and used count, owned by whoever
// holds them. Grown to exactly the size needed, reused between transfers, freed only by the owner,
// so a steady connection does no allocation.
#pragma once

#include <cstdint>

namespace hd {

struct GrowBuffer {
    uint8_t* block = nullptr;  // C heap; null when empty
    uint32_t capacity = 0;
    int32_t used = 0;

    GrowBuffer() = default;
    GrowBuffer(const GrowBuffer&) = delete;
    GrowBuffer& operator=(const GrowBuffer&) = delete;
    ~GrowBuffer() { Free(); }
    void Free();
};

namespace grow {
// Guarantees capacity - used >= needed; false (and nothing changed) when the
// block cannot grow or the size would not fit a signed 32-bit count.
bool MakeRoom(uint8_t** block, uint32_t* capacity, int32_t* used, int64_t needed);
bool AddBytes(uint8_t** block, uint32_t* capacity, int32_t* used, const void* src, uint32_t n);
bool AddByte(uint8_t** block, uint32_t* capacity, int32_t* used, uint32_t value);
bool AddLong(uint8_t** block, uint32_t* capacity, int32_t* used, uint32_t value);

inline bool MakeRoom(GrowBuffer& b, int64_t needed) {
    return MakeRoom(&b.block, &b.capacity, &b.used, needed);
}
inline bool AddBytes(GrowBuffer& b, const void* src, uint32_t n) {
    return AddBytes(&b.block, &b.capacity, &b.used, src, n);
}
inline bool AddByte(GrowBuffer& b, uint32_t value) {
    return AddByte(&b.block, &b.capacity, &b.used, value);
}
inline bool AddLong(GrowBuffer& b, uint32_t value) {
    return AddLong(&b.block, &b.capacity, &b.used, value);
}
}  // namespace grow

}  // namespace hd
