// The command loop on arbitrary bytes, with time-outs mixed in: every byte
// 0xEE in the input stands for a silent read wait.
#include <cstddef>
#include <cstdint>

#include "CommandLoopInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hd::fuzz::RunCommandLoop(data, size, hd::Handlers{});
    return 0;
}
