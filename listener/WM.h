// The listener's main loop, one connection per pass: CM::Start, HdScreen on a
// thread of its own, HdInvoke on the calling thread, then join, close and
// unload before listening again. Runs on the main thread; owned by the
// composition root. It never kills a thread and never unloads the agent while
// one of its entry points runs.
#pragma once

#include "listener/CM.h"

namespace hd {

class WM {
public:
    // screenWaitMs: how long the screen thread may take to end by itself
    // after HdInvoke returned, before its socket is shut down.
    explicit WM(CM& cm, int screenWaitMs = 1000) : m_cm(cm), m_screenWaitMs(screenWaitMs) {}

    // Runs passes until one cannot start. True when it ended by a stop
    // request, false on a failure (ExitReason() tells which).
    bool Run();
    const char* ExitReason() const { return m_exitReason; }

private:
    bool RunConnection();

    CM& m_cm;
    const int m_screenWaitMs;
    const char* m_exitReason = "";
};

}  // namespace hd
