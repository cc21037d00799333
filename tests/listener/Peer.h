// A raw TCP peer that plays the desktop in listener tests: connects with
// retries while the listener is not listening yet, sends bytes and reads with
// a bound on every wait. Used by one test thread; closes its socket when it ends.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <thread>
#include <vector>

namespace hd::test {

// A loopback port that was free a moment ago.
inline uint16_t FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class Peer {
public:
    static constexpr int kClosed = -1;
    static constexpr int kTimeout = -2;

    Peer() = default;
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    ~Peer() { Close(); }

    // Retries while the port refuses, until deadlineMs has passed.
    bool Connect(uint16_t port, int deadlineMs = 3000) {
        const auto end = Now() + std::chrono::milliseconds(deadlineMs);
        for (;;) {
            Close();
            m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            int one = 1;
            ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(port);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return true;
            if (errno != ECONNREFUSED || Now() >= end) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Close();
        return false;
    }

    bool Send(const void* p, size_t n) {
        auto* b = static_cast<const uint8_t*>(p);
        while (n > 0) {
            ssize_t w = ::send(m_fd, b, n, MSG_NOSIGNAL);
            if (w <= 0) return false;
            b += w;
            n -= size_t(w);
        }
        return true;
    }
    bool Send(std::initializer_list<uint8_t> bytes) {
        std::vector<uint8_t> v(bytes);
        return Send(v.data(), v.size());
    }

    // The byte, kClosed when the peer closed (or reset), kTimeout.
    int ReadByte(int timeoutMs) {
        uint8_t b = 0;
        int r = Read(&b, 1, timeoutMs);
        return r == 1 ? b : r;
    }

    // All n bytes within timeoutMs in total.
    bool ReadExact(void* p, size_t n, int timeoutMs) {
        const auto end = Now() + std::chrono::milliseconds(timeoutMs);
        auto* b = static_cast<uint8_t*>(p);
        while (n > 0) {
            int left =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Now()).count());
            int r = Read(b, n, left > 0 ? left : 0);
            if (r <= 0) return false;
            b += r;
            n -= size_t(r);
        }
        return true;
    }

    // Discards what arrives until the peer closes; false on the deadline.
    bool WaitClosed(int timeoutMs) {
        const auto end = Now() + std::chrono::milliseconds(timeoutMs);
        uint8_t buf[4096];
        for (;;) {
            int left =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Now()).count());
            int r = Read(buf, sizeof buf, left > 0 ? left : 0);
            if (r == kClosed) return true;
            if (r == kTimeout) return false;
        }
    }

    void Close() {
        if (m_fd != -1) ::close(m_fd);
        m_fd = -1;
    }
    int Fd() const { return m_fd; }

private:
    static std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }

    int Read(void* p, size_t n, int timeoutMs) {
        if (m_fd == -1) return kClosed;
        pollfd pfd{m_fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, timeoutMs);
        if (r == 0) return kTimeout;
        if (r < 0) return kClosed;
        ssize_t got = ::recv(m_fd, p, n, 0);
        return got > 0 ? int(got) : kClosed;
    }

    int m_fd = -1;
};

}  // namespace hd::test
