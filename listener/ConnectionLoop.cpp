#include "listener/ConnectionLoop.h"

#include <pthread.h>

#include <cstdint>
#include <system_error>
#include <thread>

#include "common/Event.h"
#include "common/Log.h"

namespace hd {

namespace {
constexpr const char* kStopReason = "WM:Stop requested, exiting main loop";
}

bool ConnectionLoop::RunConnection() {
    Event screenEnded(true);
    std::thread screen;
    try {
        screen = std::thread([this, &screenEnded] {
            pthread_setname_np(pthread_self(), "HdScreen");
            log::Log("HCS::HdScreen:Calling HdScreen");
            m_acceptor.RunScreen();
            screenEnded.Set();
        });
    } catch (const std::system_error&) {
        m_exitReason = "WM:Error screen thread, exiting";
        return false;
    }
    log::Log("WM:Created thread Handle=%xH", unsigned(uintptr_t(screen.native_handle())));

    log::Log("HCS::HdInvoke:Calling HdInvoke");
    m_acceptor.RunInvoke();

    // Where a thread would be terminated, its socket is shut down instead so
    // that its blocked call returns; then it is joined.
    if (!screenEnded.Wait(m_screenWaitMs)) {
        log::Log("WM:Screen thread still running, shutting its socket down");
        m_acceptor.ShutdownScreen();
    }
    screen.join();
    m_acceptor.Stop();
    log::Log("WM:Bottom of main loop");
    return true;
}

bool ConnectionLoop::Run() {
    for (;;) {
        log::Log("WinMain:main loop start");
        if (!m_acceptor.Start()) {
            m_exitReason = m_acceptor.StopRequested()
                               ? kStopReason
                               : "WM:Start returned false, exiting main loop";
            break;
        }
        if (!RunConnection()) break;
    }
    log::Forced("%s", m_exitReason);
    m_acceptor.Stop();
    return m_exitReason == kStopReason;
}

}  // namespace hd
