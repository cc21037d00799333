// SocketStream (log tag "SC"): a TCP socket presented as a stream, so the agent and the channels
// run over TCP as over the local link. One class serves both ends: the listener uses Listen/Accept,
// the desktop Connect; Read/Write/SetForRead/Close are common. No lock: one reader thread per
// object. Shutdown() may be called from another thread to make a blocked call return.
#pragma once

#include <sys/time.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "common/Stream.h"

namespace hd {

class SocketStream : public ReadWriteStream {
public:
    enum State : int32_t { LISTENING = 0, ACCEPTED = 1, CONNECTED = 2, CLOSED = 3 };

    SocketStream() = default;
    ~SocketStream() override;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) override;
    HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) override;

    bool Close();
    bool Listen(uint16_t port, const char* bindAddr = "0.0.0.0");
    // 0 accepted into target, 1 error, 2 timed out; 0 seconds waits without limit.
    int Accept(SocketStream& target, int timeoutSeconds);
    bool Connect(const char* host, uint16_t port);
    // 0 readable, 1 error, 2 timed out; a null timeout waits without limit.
    int SetForRead(const timeval* timeout);
    // Makes a blocked Read, Write or Accept on this socket return (any thread).
    void Shutdown();
    // Takes over a connected socket (one end of a socketpair, an accepted one).
    void Attach(int fd, State state = CONNECTED) {
        Close();
        Adopt(fd, state);
    }

    int Socket() const { return m_socket; }
    int SocketState() const { return m_state; }
    // The port a listening socket was bound to (useful with port 0).
    uint16_t LocalPort() const;

    // Connection sensitivity 0 High, 1 Medium, 2 Low: read waits 6, 9, 24 s.
    static void SetSensitivity(int sensitivity);
    static int Sensitivity();
    static timeval ReadWait();
    // Replaces the sensitivity's read wait (tests); 0 restores it.
    static void SetReadWaitOverrideMs(int ms);
    // How long one blocked send may wait on a peer that stopped reading.
    static void SetSendTimeoutMs(int ms);

    // Appends the bracketed name of the socket error and logs (forced).
    static void LogSocketError(const char* message, int err);
    static std::string ErrorName(int err);

private:
    void Adopt(int fd, State state);

    // Guards changes of m_socket against Shutdown from another thread, so a
    // shutdown never reaches a descriptor that was closed (and maybe reused).
    std::mutex m_socketLock;
    int m_socket = -1;
    int32_t m_state = CLOSED;
};

}  // namespace hd
