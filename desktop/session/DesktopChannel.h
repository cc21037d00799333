// DesktopChannel (log tag "HC"), the desktop's connection object, one per channel: opens the
// channel over the chosen transport (the remote-API link or a TCP socket to the listener), writes
// its opening bytes, counts traffic, and tears the connection down on a stream error. The main
// frame owns the command channel (whose reads and writes are serialised by a re-entrant lock); the
// receiver owns the screen channel.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "common/Channel.h"
#include "common/SocketStream.h"
#include "desktop/session/ConnectionManager.h"
#include "desktop/session/SshTunnel.h"

namespace hd::desktop {

class DesktopChannel : public hd::Channel {
public:
    DesktopChannel(ConnectionManager& manager, bool commandChannel);
    ~DesktopChannel() override;

    bool WriteBytes(const void* data, uint32_t count) override;
    int ReadBytes(void* data, uint32_t count) override;

    bool Connect(uint16_t flags, uint32_t frequency, bool screen);
    bool Disconnect(bool sendEnd);
    // Ends the channel unless it has ended already (its stream broke on the
    // reader's thread meanwhile): the link is released once per opening.
    void DisconnectIfOpen(bool sendEnd);
    // Closes the TCP socket after the channel has ended, so the device sees
    // the connection go at once. The command channel takes its lock; the
    // screen channel's owner calls it once its reader has been joined.
    void CloseSocket();
    // Makes a read blocked on this channel return (any thread).
    void Shutdown();
    // The same for a stream this channel held before it was ended.
    void ShutdownStream(IRAPIStream* stream);
    bool IsOpen() const { return Stream() != nullptr; }

    // The input commands: command byte, then payload.
    bool SendCommand(uint8_t command, const uint8_t* payload = nullptr, uint32_t length = 0);
    bool SendKey(uint8_t command, uint32_t key);  // HC_KEY, HC_SHIFTKEY, HC_CHAR, HC_KEYDOWN
    bool SendAppButton(uint8_t key);
    bool SendMouse(uint8_t type, uint16_t x, uint16_t y);

    // The command lock, for exchanges that must not interleave (a request and
    // its reply). Re-entrant: WriteBytes and ReadBytes take it too.
    std::recursive_mutex& Lock() { return m_lock; }
    ConnectionManager& Manager() { return m_manager; }

protected:
    void OnFramingError() override;

private:
    bool FailConnect();
    void TearDown();
    void EndChannel(bool sendStop);
    std::recursive_mutex& EndLock() { return m_command ? m_lock : m_endLock; }

    bool OpenSocket(const std::string& hostText);

    ConnectionManager& m_manager;
    const bool m_command;
    // Declared before the socket, so the socket closes first and ssh ends.
    std::unique_ptr<SshTunnel> m_tunnel;
    SocketStream m_socket;
    std::recursive_mutex m_lock;
    // Serialises the endings of the screen channel (the command channel's
    // endings take m_lock, so no second lock can be taken the other way round).
    std::recursive_mutex m_endLock;
};

// How long ssh may take to log in before a Connect gives up.
constexpr int kSshLoginWaitMs = 20000;

// "host" or "host:port" (port 1..65535); the port defaults to 5492.
bool SplitHostPort(const std::string& text, std::string& host, uint16_t& port);

}  // namespace hd::desktop
