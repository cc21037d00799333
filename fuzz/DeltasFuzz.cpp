// The desktop's delta decoder on arbitrary bytes: it must refuse or apply,
// never read or write out of bounds, and its one-walk path for full updates
// must refuse and write exactly what the checked two-walk path does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "desktop/session/ProcessDeltas.h"

namespace {

void Fill(hd::GrowBuffer& b, const hd::GrowBuffer& from) {
    b.used = 0;
    if (!hd::grow::AddBytes(b, from.block, uint32_t(from.used))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static hd::GrowBuffer image, twoWalks, spare;
    // Small images only: the total length is the fuzzer's to choose.
    if (size >= 4 && (data[0] | data[1] | (data[2] & 0xF0)) != 0) return 0;
    Fill(twoWalks, image);
    const bool applied = hd::ProcessDeltas(data, size, image, spare);
    const bool appliedTwo = hd::ProcessDeltas(data, size, twoWalks);
    if (applied != appliedTwo || image.used != twoWalks.used ||
        std::memcmp(image.block, twoWalks.block, size_t(image.used)) != 0)
        std::abort();
    return 0;
}
