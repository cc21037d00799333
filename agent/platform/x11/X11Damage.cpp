#include "agent/platform/x11/X11Damage.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<X11Damage> X11Damage::Start(const std::string& displayName) {
    auto connection = X11Connection::Open(displayName.c_str(), "XW");
    if (!connection) return nullptr;
    ::Display* d = connection->Get();
    int eventBase = 0;
    int errorBase = 0;
    if (!XDamageQueryExtension(d, &eventBase, &errorBase)) {
        log::Forced("XW::Start:the X server has no DAMAGE extension; the screen is polled");
        return nullptr;
    }
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) {
        log::Forced("XW::Start:eventfd failed: %s", std::strerror(errno));
        return nullptr;
    }
    // Non-empty reports: one event when the damaged area stops being empty,
    // re-armed when the display takes the damage, so a busy screen costs one
    // event per capture.
    const Damage damage = XDamageCreate(d, connection->Root(), XDamageReportNonEmpty);
    XFlush(d);
    return std::unique_ptr<X11Damage>(
        new X11Damage(std::move(connection), eventBase, damage, stopFd));
}

X11Damage::X11Damage(std::unique_ptr<X11Connection> connection, int eventBase, Damage damage,
                     int stopFd)
    : m_connection(std::move(connection)),
      m_eventBase(eventBase),
      m_damage(damage),
      m_stopFd(stopFd),
      m_thread([this] { Run(); }) {}

X11Damage::~X11Damage() {
    const uint64_t one = 1;
    if (::write(m_stopFd, &one, sizeof one) < 0)
        log::Forced("XW::Stop:cannot wake the watcher: %s", std::strerror(errno));
    m_thread.join();
    XDamageDestroy(m_connection->Get(), m_damage);
    XSync(m_connection->Get(), False);
    ::close(m_stopFd);
}

bool X11Damage::Listening() {
    std::lock_guard lock(m_mutex);
    return bool(m_listener);
}

void X11Damage::SetListener(std::function<void()> listener) {
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

void X11Damage::Run() {
    pthread_setname_np(pthread_self(), "XW");
    ::Display* d = m_connection->Get();
    pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    while (!m_connection->Broken()) {
        bool damaged = false;
        while (XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == m_eventBase + XDamageNotify) damaged = true;
        }
        if (damaged) {
            std::lock_guard lock(m_mutex);
            if (m_listener) m_listener();
        }
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            log::Forced("XW::Run:poll failed: %s", std::strerror(errno));
            break;
        }
        if (fds[1].revents) break;
        if (fds[0].revents & (POLLERR | POLLHUP)) {
            XPending(d);  // lets Xlib see the loss and mark the connection broken
            break;
        }
    }
}

}  // namespace hd::platform
