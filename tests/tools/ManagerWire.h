// Builders of the handheld's process-manager replies for the desktop tests:
// records written field by field as the agent lays them out, and the list
// framing around them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteOrder.h"

namespace hd::tools::test {

using Bytes = std::vector<uint8_t>;

// UTF-16 units into a field of `units` units (the rest stays zero).
inline void PutUnits(uint8_t* field, size_t units, const std::u16string& text) {
    for (size_t i = 0; i < text.size() && i < units; ++i) put_le16(field + 2 * i, text[i]);
}

inline Bytes TaskBytes(uint32_t pid, const std::u16string& exe, const std::u16string& title = {},
                       uint32_t window = 0) {
    Bytes r(292, 0);
    put_le32(r.data() + 0, 1);           // usage
    put_le32(r.data() + 4, pid);         // process identifier
    put_le32(r.data() + 8, 0x03FFD002);  // parent
    put_le32(r.data() + 12, 2);          // threads
    put_le32(r.data() + 32, window);
    PutUnits(r.data() + 36, 64, exe);
    PutUnits(r.data() + 164, 64, title);
    return r;
}

inline Bytes ThreadBytes(uint32_t tid, int32_t priority) {
    Bytes r(8, 0);
    put_le32(r.data(), tid);
    put_le32(r.data() + 4, uint32_t(priority));
    return r;
}

inline Bytes ModuleBytes(uint32_t base, uint32_t size, const std::u16string& name) {
    Bytes r(152, 0);
    put_le32(r.data() + 0, base);
    put_le32(r.data() + 4, size);
    put_le32(r.data() + 8, 7);   // global usage
    put_le32(r.data() + 12, 1);  // process usage
    put_le32(r.data() + 16, 0x83F10000);
    PutUnits(r.data() + 20, 66, name);
    return r;
}

// Length word (count x size + 1, big-endian), count byte, records.
inline Bytes ListReply(uint32_t recordSize, const std::vector<Bytes>& records) {
    Bytes out(5, 0);
    put_be32(out.data(), uint32_t(records.size()) * recordSize + 1);
    out[4] = uint8_t(records.size());
    for (const Bytes& r : records) out.insert(out.end(), r.begin(), r.end());
    return out;
}

inline Bytes Word(uint32_t v) {
    Bytes b(4);
    put_be32(b.data(), v);
    return b;
}

}  // namespace hd::tools::test
