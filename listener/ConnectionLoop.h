// ConnectionLoop (log tag "WM"), the listener's main loop, one connection per pass:
// ConnectionAcceptor::Start, HdScreen on a thread of its own, HdInvoke on the calling thread, then
// join, close and unload before listening again. Runs on the main thread; owned by the composition
// root. It never kills a thread and never unloads the agent while one of its entry points runs.
#pragma once

#include "listener/ConnectionAcceptor.h"

namespace hd {

class ConnectionLoop {
public:
    // screenWaitMs: how long the screen thread may take to end by itself
    // after HdInvoke returned, before its socket is shut down.
    explicit ConnectionLoop(ConnectionAcceptor& cm, int screenWaitMs = 1000)
        : m_acceptor(cm), m_screenWaitMs(screenWaitMs) {}

    // Runs passes until one cannot start. True when it ended by a stop
    // request, false on a failure (ExitReason() tells which).
    bool Run();
    const char* ExitReason() const { return m_exitReason; }

private:
    bool RunConnection();

    ConnectionAcceptor& m_acceptor;
    const int m_screenWaitMs;
    const char* m_exitReason = "";
};

}  // namespace hd
