#include "e2e/FaultyLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hd::test {

namespace {
bool SendAll(int fd, const char* p, ssize_t n) {
    while (n > 0) {
        const ssize_t w = ::send(fd, p, size_t(n), MSG_NOSIGNAL);
        if (w <= 0) return false;
        p += w;
        n -= w;
    }
    return true;
}

void CloseWithReset(int fd) {
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
}
}  // namespace

FaultyLink::FaultyLink(uint16_t target) : m_target(target) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(m_listen, 8);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    if (::pipe2(m_wake, O_CLOEXEC) != 0) m_wake[0] = m_wake[1] = -1;
    m_thread = std::thread([this] { Run(); });
}

FaultyLink::~FaultyLink() {
    m_stop = true;
    if (m_wake[1] >= 0) (void)!::write(m_wake[1], "x", 1);
    m_thread.join();
    for (const Link& l : m_links) {
        if (l.desktop >= 0) ::close(l.desktop);
        if (l.device >= 0) ::close(l.device);
    }
    ::close(m_listen);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

int FaultyLink::OpenDesktopEnds() {
    std::lock_guard l(m_lock);
    int n = 0;
    for (const Link& link : m_links) n += link.desktopClosed ? 0 : 1;
    return n;
}

void FaultyLink::Accept() {
    const int desktop = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (desktop < 0) return;
    const int device = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(m_target);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    ::setsockopt(device, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(desktop, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(device, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(device);
        ::close(desktop);
        return;
    }
    std::lock_guard l(m_lock);
    m_links.push_back({desktop, device, false});
}

void FaultyLink::ResetAll() {
    std::lock_guard l(m_lock);
    for (Link& link : m_links) {
        if (link.desktop >= 0) CloseWithReset(link.desktop);
        if (link.device >= 0) CloseWithReset(link.device);
        link.desktop = link.device = -1;
        link.desktopClosed = true;
    }
}

void FaultyLink::Run() {
    char buf[65536];
    while (!m_stop) {
        if (m_resetting.exchange(false)) ResetAll();
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        std::vector<std::pair<size_t, bool>> who;  // link index, desktop end
        {
            std::lock_guard l(m_lock);
            for (size_t i = 0; i < m_links.size(); ++i) {
                if (m_links[i].desktop >= 0 && !m_links[i].desktopClosed) {
                    fds.push_back({m_links[i].desktop, POLLIN, 0});
                    who.emplace_back(i, true);
                }
                // A dropped link reads nothing from the device: its bytes stay unread.
                if (m_links[i].device >= 0 && !m_dropping) {
                    fds.push_back({m_links[i].device, POLLIN, 0});
                    who.emplace_back(i, false);
                }
            }
        }
        if (::poll(fds.data(), nfds_t(fds.size()), 50) <= 0) continue;
        if (fds[1].revents & POLLIN) Accept();
        for (size_t k = 0; k < who.size(); ++k) {
            if (!fds[k + 2].revents) continue;
            std::lock_guard l(m_lock);
            Link& link = m_links[who[k].first];
            const bool fromDesktop = who[k].second;
            const ssize_t n = ::recv(fromDesktop ? link.desktop : link.device, buf, sizeof buf, 0);
            if (n <= 0) {
                // An end that closed is passed on as a close, unless the link is cut.
                if (fromDesktop) link.desktopClosed = true;
                if (!m_dropping) {
                    ::shutdown(fromDesktop ? link.device : link.desktop, SHUT_WR);
                    if (!fromDesktop) {
                        ::close(link.device);
                        link.device = -1;
                    }
                }
                continue;
            }
            if (!m_dropping) SendAll(fromDesktop ? link.device : link.desktop, buf, n);
        }
    }
}

}  // namespace hd::test
