#include "common/SocketStream.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/Log.h"

namespace hd {

namespace {
std::atomic<int> g_sensitivity{0};
std::atomic<int> g_readWaitOverrideMs{0};
std::atomic<int> g_sendTimeoutMs{10000};

uint32_t TickMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Socket error names keep the codes of the original table where Linux has an
// equivalent errno.
int WsaCode(int err) {
    switch (err) {
        case EINVAL:
            return 10022;
        case EWOULDBLOCK:
            return 10035;
        case EINPROGRESS:
            return 10036;
        case ENOTSOCK:
            return 10038;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ETIMEDOUT:
            return 10060;
        case ECONNREFUSED:
            return 10061;
        default:
            return 0;
    }
}
}  // namespace

void SocketStream::SetSensitivity(int s) {
    g_sensitivity.store(s);
}
int SocketStream::Sensitivity() {
    return g_sensitivity.load();
}
void SocketStream::SetReadWaitOverrideMs(int ms) {
    g_readWaitOverrideMs.store(ms);
}
void SocketStream::SetSendTimeoutMs(int ms) {
    g_sendTimeoutMs.store(ms);
}

timeval SocketStream::ReadWait() {
    if (int ms = g_readWaitOverrideMs.load(); ms > 0) return {ms / 1000, (ms % 1000) * 1000};
    switch (g_sensitivity.load()) {
        case 1:
            return {9, 0};
        case 2:
            return {24, 0};
        default:
            return {6, 0};
    }
}

std::string SocketStream::ErrorName(int err) {
    switch (WsaCode(err)) {
        case 10022:
            return " [WSAEINVAL]";
        case 10035:
            return " [WSAEWOULDBLOCK]";
        case 10036:
            return " [WSAEINPROGRESS]";
        case 10038:
            return " [WSAENOTSOCK]";
        case 10048:
            return " [WSAEADDRINUSE]";
        case 10049:
            return " [WSAEADDRNOTAVAIL]";
        case 10050:
            return " [WSAENETDOWN]";
        case 10060:
            return " [WSAETIMEDOUT]";
        case 10061:
            return " [WSAECONNREFUSED]";
    }
    return " [unknown error " + std::to_string(err) + "]";
}

void SocketStream::LogSocketError(const char* message, int err) {
    log::Forced("%s%s", message, ErrorName(err).c_str());
}

SocketStream::~SocketStream() {
    Close();
}

bool SocketStream::Close() {
    std::lock_guard lock(m_socketLock);
    if (m_socket != -1) {
        ::close(m_socket);
        m_socket = -1;
        m_state = CLOSED;
    }
    return true;
}

void SocketStream::Shutdown() {
    std::lock_guard lock(m_socketLock);
    if (m_socket != -1) ::shutdown(m_socket, SHUT_RDWR);
}

uint16_t SocketStream::LocalPort() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (m_socket == -1 || getsockname(m_socket, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 0;
    return ntohs(a.sin_port);
}

void SocketStream::Adopt(int fd, State state) {
    // One-byte commands and small input packets must not wait for Nagle.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // A peer that stops reading makes a blocked send fail in bounded time.
    int ms = g_sendTimeoutMs.load();
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    std::lock_guard lock(m_socketLock);
    m_socket = fd;
    m_state = state;
}

int SocketStream::SetForRead(const timeval* timeout) {
    // poll skips a negative descriptor and would report a time-out: a closed
    // object must read as failed, as select fails on an invalid socket.
    if (m_socket == -1) {
        log::Forced("SC::SetForRead:Error %xH on select", unsigned(EBADF));
        return 1;
    }
    // poll instead of select: the same wait without fd_set's descriptor limit.
    pollfd p{m_socket, POLLIN, 0};
    int ms = timeout ? int(timeout->tv_sec * 1000 + timeout->tv_usec / 1000) : -1;
    int r = ::poll(&p, 1, ms);
    if (r == 0) return 2;
    if (r < 0) {
        log::Forced("SC::SetForRead:Error %xH on select", unsigned(errno));
        return 1;
    }
    return 0;
}

HRESULT SocketStream::Read(void* pv, uint32_t cb, uint32_t* pcbRead) {
    if (cb == 0) {
        if (pcbRead) *pcbRead = 0;
        return S_OK;
    }
    const timeval wait = ReadWait();
    uint32_t received = 0;
    while (received != cb) {
        int s = SetForRead(&wait);
        if (s == 2) {
            if (received == 0) return E_READ_TIMEOUT;
            continue;
        }
        if (s == 1) return E_FAIL;
        ssize_t n = ::recv(m_socket, static_cast<uint8_t*>(pv) + received, cb - received, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            log::Forced("SC::Read:Error on read");
            return E_FAIL;
        }
        if (n == 0) {
            // The peer closed: an ending, not an error, but the read has failed.
            log::Log("SC::Read:Connection closed by peer");
            return E_FAIL;
        }
        received += uint32_t(n);
    }
    if (pcbRead) *pcbRead = cb;
    return S_OK;
}

HRESULT SocketStream::Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) {
    const uint32_t start = TickMs();
    if (pcbWritten) *pcbWritten = cb;
    const uint8_t* p = static_cast<const uint8_t*>(pv);
    uint32_t remaining = cb;
    const char* failure = nullptr;
    int err = 0;
    while (remaining > 0) {
        ssize_t n = ::send(m_socket, p, remaining, MSG_NOSIGNAL);
        if (n >= 0) {
            p += n;
            remaining -= uint32_t(n);
            continue;
        }
        err = errno;
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK && err != EAGAIN) {
            failure = "SC::Write:error sending %d bytes";
            break;
        }
        uint32_t elapsed = TickMs() - start;  // unsigned arithmetic handles the wrap
        if (elapsed >= 100) {
            failure = "SC::Write:error sending %d bytes (max timeout reached)";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!failure) return S_OK;
    char msg[128];
    std::snprintf(msg, sizeof msg, failure, int(remaining));
    LogSocketError(msg, err);
    return E_FAIL;
}

bool SocketStream::Listen(uint16_t port, const char* bindAddr) {
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        log::Forced("Could not create socket");
        return false;
    }
    // Without it Linux refuses the next bind while old connections linger.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, bindAddr ? bindAddr : "0.0.0.0", &a.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        LogSocketError("SC::Connect:Could not bind socket", errno);
        ::close(fd);
        return false;
    }
    if (::listen(fd, 1) != 0) {
        LogSocketError("SC::Connect:Could not listen on socket", errno);
        ::close(fd);
        return false;
    }
    std::lock_guard lock(m_socketLock);
    m_socket = fd;
    m_state = LISTENING;
    return true;
}

int SocketStream::Accept(SocketStream& target, int timeoutSeconds) {
    if (m_state != LISTENING) return 1;
    timeval tv{timeoutSeconds, 0};
    int s = SetForRead(timeoutSeconds ? &tv : nullptr);
    if (s != 0) return s;
    int fd = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        log::Log("SC::Accept:Error accepting socket");
        return 1;
    }
    log::Log("SC::Accept:Accepted sock[%x]H on listening sock[%x]H", unsigned(fd),
             unsigned(m_socket));
    target.Close();  // an owner that did not close yet would otherwise leak it
    target.Adopt(fd, ACCEPTED);
    return 0;
}

bool SocketStream::Connect(const char* host, uint16_t port) {
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        log::Forced("SC::Connect:Error creating socket");
        return false;
    }
    in_addr addr{};
    bool resolved = false;
    const char* dot = std::strchr(host, '.');
    if (dot && dot != host && inet_pton(AF_INET, host, &addr) == 1) resolved = true;
    if (!resolved) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* res = nullptr;
        if (getaddrinfo(host, nullptr, &hints, &res) == 0 && res) {
            addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
            resolved = true;
        }
        if (res) freeaddrinfo(res);
    }
    if (!resolved) {
        log::Forced("SC::Connect:Error recolving host name/IP");
        ::close(fd);
        return false;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr = addr;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        log::Forced("SC::Connect:Error connecting socket");
        ::close(fd);
        return false;
    }
    Adopt(fd, CONNECTED);
    return true;
}

}  // namespace hd
