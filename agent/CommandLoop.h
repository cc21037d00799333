// CommandLoop (log tag "PI"), the command loop behind HdInvoke: the priming read, dispatch of each
// command byte, the keep-alive and both kinds of ending. Runs on the thread
// that called HdInvoke, for one connection; the only reader and writer of the
// command channel. It never calls platform code itself: input, process and
// file codes go to their handlers, screen matters to the sender.
#pragma once

#include "agent/CommandHandler.h"
#include "agent/screen/SenderControl.h"
#include "common/Channel.h"

namespace hd {

struct Handlers {
    CommandHandler* input = nullptr;  // 25-30, 35
    CommandHandler* tasks = nullptr;  // 60-62, 65, 66
    CommandHandler* files = nullptr;  // 100-112
};

class CommandLoop {
public:
    // extensionAllowed false: the offer of the extended screen update in
    // HC_INIT is ignored, as by an agent that does not know it.
    CommandLoop(SenderControl& sender, Handlers handlers, bool extensionAllowed = true)
        : m_sender(sender), m_handlers(handlers), m_extensionAllowed(extensionAllowed) {}
    // Serves one command channel until it ends; always 0.
    int Run(IRAPIStream* stream);

private:
    enum class Step { Next, Return };
    Step Dispatch(uint8_t command, Channel& channel);

    SenderControl& m_sender;
    Handlers m_handlers;
    bool m_extensionAllowed;
    bool m_pingOutstanding = false;
};

}  // namespace hd
