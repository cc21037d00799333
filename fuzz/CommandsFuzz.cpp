// The command loop on arbitrary bytes, with time-outs mixed in: every byte
// 0xEE in the input stands for a silent read wait.
#include <cstddef>
#include <cstdint>

#include "agent/CommandLoop.h"
#include "support/FakeStream.h"

namespace {
struct NullSender : hd::SenderControl {
    void Stop() override {}
    void Wake(hd::WakeAction) override {}
    void SetSlowLink() override {}
    void SetKeepDisplayPointer(bool) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hd::test::FakeStream in;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xEE)
            in.AddTimeout();
        else
            in.AddBytes({data[i]});
    }
    NullSender sender;
    hd::CommandLoop loop(sender, hd::Handlers{});
    loop.Run(&in);
    return 0;
}
