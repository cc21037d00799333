// The packed transfer reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "common/HC.h"
#include "support/FakeStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        hd::HC::SetTransferCeiling(1 << 20);
        return true;
    }();
    (void)once;
    hd::test::FakeStream in;
    in.AddBytes(std::vector<uint8_t>(data, data + size));
    hd::HC ch(&in);
    hd::MBuf packet, dest;
    while (ch.ReceiveNUnpack(packet, dest)) {
    }
    return 0;
}
