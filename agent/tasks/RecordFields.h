// Helpers for the fixed-size fields of the task, thread, module and
// system-information records: texts as UTF-16LE cut inside their field, and
// device values that may be wider than the 32 bits a field holds. Pure
// functions over caller-owned bytes; they never write past the field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hd {

// Writes utf8 as UTF-16LE into a field of `units` code units: at most
// units - 1 of them, so the terminating NUL stays inside, and the rest of the
// field zero. Bytes that are not UTF-8 become U+FFFD; a surrogate pair is
// never split by the cut.
void PutWideText(uint8_t* field, size_t units, std::string_view utf8);

// True when the field's first unit is not the NUL.
inline bool HasWideText(const uint8_t* field) {
    return field[0] != 0 || field[1] != 0;
}

// An address too wide for 32 bits is reported as 0: cut, it would name a
// different address.
inline uint32_t AddressField(uint64_t v) {
    return v > UINT32_MAX ? 0 : uint32_t(v);
}

// A size or amount too wide for 32 bits is clamped to the largest value.
inline uint32_t AmountField(uint64_t v) {
    return v > UINT32_MAX ? UINT32_MAX : uint32_t(v);
}

}  // namespace hd
