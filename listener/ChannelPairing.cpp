#include "listener/ChannelPairing.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "common/Codes.h"
#include "common/Log.h"

namespace hd {

namespace {
std::string Text(in_addr a) {
    char buf[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

// Errors of one incoming connection, not of the listening socket.
bool PassingAcceptError(int err) {
    return err == EINTR || err == EAGAIN || err == ECONNABORTED || err == EPROTO || err == EPERM ||
           err == ENETDOWN || err == EHOSTUNREACH || err == ENETUNREACH;
}
}  // namespace

void ChannelPairing::Drop(size_t index) {
    ::close(m_pending[index].fd);
    m_pending.erase(m_pending.begin() + ptrdiff_t(index));
}

void ChannelPairing::CloseAll() {
    for (const Pending& p : m_pending) ::close(p.fd);
    m_pending.clear();
}

size_t ChannelPairing::LatestReadyBefore(const Pending& p) const {
    size_t best = m_pending.size();
    for (size_t c = 0; c < m_pending.size(); ++c) {
        const Pending& cmd = m_pending[c];
        if (cmd.stage != Stage::Preamble && cmd.peer.s_addr == p.peer.s_addr &&
            cmd.order < p.order && (best == m_pending.size() || cmd.order > m_pending[best].order))
            best = c;
    }
    return best;
}

bool ChannelPairing::AcceptOne(int listenFd) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    // Blocking descriptors: the channels read and write them as they are;
    // the reads here pass MSG_DONTWAIT.
    const int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC);
    if (fd < 0) return PassingAcceptError(errno);
    log::Log("SC::Accept:Accepted sock[%x]H on listening sock[%x]H", unsigned(fd),
             unsigned(listenFd));
    if (from.sin_family != AF_INET || !m_allow.Allows(from.sin_addr)) {
        log::Forced("CM::Start:Refused connection from %s, not in the allow list",
                    Text(from.sin_addr).c_str());
        ::close(fd);
        return true;
    }
    if (m_pending.size() >= kMaxPending) {
        log::Forced("CM::Start:Too many incomplete connections, closing the one from %s",
                    Text(m_pending.front().peer).c_str());
        Drop(0);
    }
    m_pending.push_back({fd, from.sin_addr, ++m_accepted, Stage::Preamble, 0,
                         Clock::now() + std::chrono::milliseconds(m_waitMs)});
    return true;
}

// One readable connection: its preamble byte, then a look at the byte that
// follows it, which tells a command channel (HC_INIT) from a screen channel
// (the refresh interval). The look consumes nothing. False when the
// connection ended or failed and is to be dropped.
bool ChannelPairing::Advance(Pending& p) {
    for (;;) {
        uint8_t byte = 0;
        const int flags = MSG_DONTWAIT | (p.stage == Stage::Kind ? MSG_PEEK : 0);
        const ssize_t n = ::recv(p.fd, &byte, 1, flags);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
        if (n != 1) {
            log::Forced(LatestReadyBefore(p) < m_pending.size()
                            ? "CM::Start:Error reading 2nd sensitivity"
                            : "CM::Start:Error reading sensitivity");
            return false;
        }
        if (p.stage == Stage::Preamble) {
            p.preamble = byte;
            p.stage = Stage::Kind;
            // The first of its address: from here on it waits for its screen channel.
            if (LatestReadyBefore(p) == m_pending.size()) log::Log("CM::Start:Before 2nd accept");
            continue;  // the next byte may have come with it
        }
        p.stage = byte == HC_INIT ? Stage::Command : Stage::Screen;
        p.deadline = Clock::now() + std::chrono::milliseconds(m_waitMs);
        return true;
    }
}

bool ChannelPairing::FindPair(Pair& pair) {
    for (size_t s = 0; s < m_pending.size(); ++s) {
        if (m_pending[s].stage != Stage::Screen) continue;
        // The latest connection from the same address before it that sent
        // its preamble, with or without HC_INIT: an older one is a stale half.
        const size_t best = LatestReadyBefore(m_pending[s]);
        if (best == m_pending.size()) continue;
        pair.commandFd = m_pending[best].fd;
        pair.screenFd = m_pending[s].fd;
        pair.preamble = m_pending[s].preamble;
        m_pending.erase(m_pending.begin() + ptrdiff_t(std::max(best, s)));
        m_pending.erase(m_pending.begin() + ptrdiff_t(std::min(best, s)));
        return true;
    }
    return false;
}

void ChannelPairing::ExpireStale() {
    const auto now = Clock::now();
    for (size_t i = m_pending.size(); i-- > 0;) {
        if (m_pending[i].deadline > now) continue;
        log::Forced("CM::Start:Incomplete connection from %s closed after %d ms",
                    Text(m_pending[i].peer).c_str(), m_waitMs);
        Drop(i);
    }
}

ChannelPairing::Outcome ChannelPairing::Run(int listenFd, int idleMs, const std::atomic<bool>& stop,
                                            Pair& pair) {
    auto idleEnd = Clock::now() + std::chrono::milliseconds(idleMs);
    Outcome outcome = Outcome::Failed;
    std::vector<pollfd> fds;
    std::vector<size_t> owners;  // the pending index of each polled descriptor
    while (!stop.load()) {
        ExpireStale();
        const auto now = Clock::now();
        if (!m_pending.empty()) idleEnd = now + std::chrono::milliseconds(idleMs);
        if (m_pending.empty() && now >= idleEnd) {
            outcome = Outcome::Idle;
            break;
        }
        auto until = idleEnd;
        fds.assign(1, pollfd{listenFd, POLLIN, 0});
        owners.clear();
        for (size_t i = 0; i < m_pending.size(); ++i) {
            until = std::min(until, m_pending[i].deadline);
            if (m_pending[i].stage != Stage::Preamble && m_pending[i].stage != Stage::Kind)
                continue;
            fds.push_back({m_pending[i].fd, POLLIN, 0});
            owners.push_back(i);
        }
        const auto waitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
        const int r = ::poll(fds.data(), nfds_t(fds.size()), int(std::max<int64_t>(waitMs, 0)));
        if (r < 0 && errno != EINTR) break;
        if (r <= 0 || stop.load()) continue;
        // In accept order, so a command channel is known before the screen
        // channel that followed it; the ended ones go afterwards.
        std::vector<size_t> ended;
        for (size_t k = 0; k < owners.size(); ++k)
            if (fds[k + 1].revents && !Advance(m_pending[owners[k]])) ended.push_back(owners[k]);
        for (size_t k = ended.size(); k-- > 0;) Drop(ended[k]);
        if (FindPair(pair)) {
            outcome = Outcome::Paired;
            break;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;
        if ((fds[0].revents & POLLIN) && !AcceptOne(listenFd)) {
            if (!stop.load()) log::Forced("CM::Start:Error accepting Input socket");
            break;
        }
    }
    CloseAll();
    return outcome;
}

}  // namespace hd
