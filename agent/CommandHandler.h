// A service that owns some command codes of the command channel (input,
// processes, files). It reads its own payload and writes its own reply on the
// HdInvoke thread. Handle returns false only when the call must end at once
// (a payload that could not be read, a list that could not be sent).
#pragma once

#include <cstdint>

#include "common/Channel.h"

namespace hd {

class CommandHandler {
public:
    virtual ~CommandHandler() = default;
    virtual bool Handle(uint8_t command, Channel& channel) = 0;
};

}  // namespace hd
