// The packed transfer reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "common/Channel.h"
#include "support/FakeStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        hd::Channel::SetTransferCeiling(1 << 20);
        return true;
    }();
    (void)once;
    hd::test::FakeStream in;
    in.AddBytes(std::vector<uint8_t>(data, data + size));
    hd::Channel ch(&in);
    hd::GrowBuffer packet, dest;
    while (ch.ReceiveNUnpack(packet, dest)) {
    }
    return 0;
}
