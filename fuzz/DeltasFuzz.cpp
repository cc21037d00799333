// The desktop's delta decoder on arbitrary bytes: it must refuse or apply,
// never read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "desktop/session/ProcessDeltas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hd::GrowBuffer image;
    // Small images only: the total length is the fuzzer's to choose.
    if (size >= 4 && (data[0] | data[1] | (data[2] & 0xF0)) != 0) return 0;
    hd::ProcessDeltas(data, size, image);
    return 0;
}
