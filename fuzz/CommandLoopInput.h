// Shared by the command-loop fuzz targets: the input bytes become the
// command channel's reads (every byte 0xEE stands for a silent read wait),
// and the loop runs on them with a sender that does nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "agent/CommandLoop.h"
#include "support/FakeStream.h"

namespace hd::fuzz {

struct NullSender : SenderControl {
    void Stop() override {}
    void Wake(WakeAction) override {}
    void SetSlowLink() override {}
    void SetKeepDisplayPointer(bool) override {}
};

inline void RunCommandLoop(const uint8_t* data, size_t size, Handlers handlers) {
    test::FakeStream in;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xEE)
            in.AddTimeout();
        else
            in.AddBytes({data[i]});
    }
    NullSender sender;
    CommandLoop loop(sender, handlers);
    loop.Run(&in);
}

}  // namespace hd::fuzz
