#include "desktop/session/DesktopChannel.h"

#include <chrono>
#include <thread>

#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd::desktop {

namespace {

void Pause(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The lock is taken only on the command channel.
struct MaybeLock {
    MaybeLock(std::recursive_mutex& m, bool on) : m_(on ? &m : nullptr) {
        if (m_) m_->lock();
    }
    ~MaybeLock() {
        if (m_) m_->unlock();
    }
    std::recursive_mutex* m_;
};

}  // namespace

bool SplitHostPort(const std::string& text, std::string& host, uint16_t& port) {
    port = kDefaultPort;
    host = text;
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return !host.empty();
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int p = std::stoi(digits);
    if (p < 1 || p > 65535) return false;
    host = text.substr(0, colon);
    port = uint16_t(p);
    return !host.empty();
}

DesktopChannel::DesktopChannel(ConnectionManager& manager, bool commandChannel)
    : m_manager(manager), m_command(commandChannel) {}

DesktopChannel::~DesktopChannel() {
    if (IsOpen()) Disconnect(true);
}

bool DesktopChannel::WriteBytes(const void* data, uint32_t count) {
    MaybeLock lock(m_lock, m_command);
    if (hd::Channel::WriteBytes(data, count)) {
        m_manager.Stats().sent += count;
        m_manager.Stats().sentTotal += count;
        return true;
    }
    // A failure while a teardown is under way must not start a second one.
    if (Stream() && !m_manager.Teardown().load()) TearDown();
    return false;
}

int DesktopChannel::ReadBytes(void* data, uint32_t count) {
    MaybeLock lock(m_lock, m_command);
    int r = hd::Channel::ReadBytes(data, count);
    if (r == READ_DONE) {
        m_manager.Stats().received += count;
        m_manager.Stats().receivedTotal += count;
    } else if (r == READ_FAILED && Stream()) {
        // Still open: the stream broke under us (a channel ended by its owner
        // meanwhile has no stream left, and nothing more to tear down).
        TearDown();
    }
    return r;
}

void DesktopChannel::OnFramingError() {
    TearDown();
}

// The stream broke: tell the agent to stop, then drop the channel, unless
// its owner has ended it meanwhile.
void DesktopChannel::TearDown() {
    std::lock_guard end(EndLock());
    if (Stream()) EndChannel(true);
}

// Every ending of a channel: the end byte (when asked and there is a stream
// to carry it) and its pause, the disconnection time, the link released, the
// stream dropped and the since-connect counters zeroed. The teardown mark
// keeps a failing end byte from starting a second ending.
void DesktopChannel::EndChannel(bool sendStop) {
    std::lock_guard end(EndLock());
    std::atomic<bool>& teardown = m_manager.Teardown();
    teardown = true;
    if (sendStop && Stream()) {
        const uint8_t stop = HC_STOP;
        WriteBytes(&stop, 1);
        Pause(m_manager.EndPauseMs());
    }
    m_manager.MarkDisconnected();
    m_manager.ReleaseRemoteApiLink();
    SetStream(nullptr);
    m_manager.ResetConnectionCounters();
    teardown = false;
}

bool DesktopChannel::FailConnect() {
    EndChannel(true);
    m_manager.Ui().CloseWait();
    return false;
}

// The channel's socket: a TCP connection to the listener, or an ssh tunnel
// to the listener's loopback port on the host.
bool DesktopChannel::OpenSocket(const std::string& hostText) {
    m_socket.Close();
    m_tunnel.reset();
    if (IsSshHost(hostText)) {
        SshTarget target;
        if (!ParseSshHost(hostText, target)) {
            log::Forced("HC::Connect:Error bad ssh host %s", hostText.c_str());
            return false;
        }
        std::string error;
        m_tunnel = SshTunnel::Open(target, kSshLoginWaitMs, error);
        if (!m_tunnel) {
            m_manager.Ui().ShowMessage("ssh: " + error);
            return false;
        }
        m_socket.Attach(m_tunnel->TakeSocket());
        return true;
    }
    std::string host;
    uint16_t port = kDefaultPort;
    if (hostText.empty() || !SplitHostPort(hostText, host, port)) return false;
    if (!m_socket.Connect(host.c_str(), port)) {
        log::Forced("HC::Connect:Error connecting to host");
        return false;
    }
    return true;
}

bool DesktopChannel::Connect(uint16_t flags, uint32_t frequency, bool screen) {
    if (!m_manager.AcquireRemoteApiLink()) return false;
    ConnectionSettings& store = m_manager.Store();
    const int position = ConnTypeCodeToPosition(store.ConnTypeCode());
    const bool tcp = IsTcpPosition(position);
    std::string hostText;
    if (tcp) {
        if (!m_manager.SelectHost(hostText)) return false;
        m_manager.Ui().ShowWait("Connecting to " + hostText);
    } else {
        m_manager.Ui().ShowWait("Please Wait ...  ");
    }
    if (tcp) {
        uint8_t preamble = uint8_t(store.Sensitivity() & 0x7F);
        if (store.Flags() & FLAG_DEVICE_LOG) preamble |= 0x80;
        if (!OpenSocket(hostText)) return FailConnect();
        uint32_t written = 0;
        if (m_socket.Write(&preamble, 1, &written) != S_OK) {
            log::Forced("HC::Connect:Error writing connection sensitivity to host");
            return FailConnect();
        }
        SetStream(&m_socket);
    }
    const char* entry = screen ? "HdScreen" : "HdInvoke";
    if (!tcp) {
        IRAPIStream* stream = nullptr;
        uint32_t cbOut = 0;
        uint8_t* out = nullptr;
        if (m_manager.Rapi().CeRapiInvoke("hdagent", entry, 0, nullptr, &cbOut, &out, &stream, 0) !=
                S_OK ||
            !stream) {
            if (screen) return FailConnect();
            m_manager.Ui().CloseWait();  // the caller's Disconnect sequence ends the channel
            return false;
        }
        SetStream(stream);
    }
    m_manager.MarkConnected();
    uint8_t bytes[7];
    uint32_t n = 0;
    if (!screen) {
        bytes[n++] = HC_INIT;
        put_le16(bytes + n, flags);
        n += 2;
    }
    put_be32(bytes + n, frequency);
    n += 4;
    // Written field by field, as the agent reads them.
    bool ok = true;
    if (!screen) ok = WriteBytes(bytes, 1) && WriteBytes(bytes + 1, 2);
    ok = ok && WriteBytes(bytes + n - 4, 4);
    if (!ok) {
        // The failed write has already torn the channel down and released the link.
        if (!Stream()) {
            m_manager.Ui().CloseWait();
            return false;
        }
        return FailConnect();
    }
    m_manager.Ui().CloseWait();
    return true;
}

bool DesktopChannel::Disconnect(bool sendEnd) {
    EndChannel(sendEnd);
    return true;
}

void DesktopChannel::DisconnectIfOpen(bool sendEnd) {
    std::lock_guard end(EndLock());
    if (IsOpen()) EndChannel(sendEnd);
}

void DesktopChannel::CloseSocket() {
    MaybeLock lock(m_lock, m_command);
    // Only an ended channel: an open one still has its stream on this socket.
    if (IsOpen()) return;
    m_socket.Close();
    m_tunnel.reset();
}

void DesktopChannel::Shutdown() {
    ShutdownStream(Stream());
}

void DesktopChannel::ShutdownStream(IRAPIStream* stream) {
    m_socket.Shutdown();
    if (stream && stream != &m_socket) m_manager.Rapi().ShutdownStream(stream);
}

bool DesktopChannel::SendCommand(uint8_t command, const uint8_t* payload, uint32_t length) {
    MaybeLock lock(m_lock, m_command);
    if (!WriteBytes(&command, 1)) return false;
    return length == 0 || WriteBytes(payload, length);
}

bool DesktopChannel::SendKey(uint8_t command, uint32_t key) {
    if (command == HC_KEY || command == HC_CHAR) {
        ++m_manager.Stats().keys;
        ++m_manager.Stats().keysTotal;
    }
    uint8_t p[4];
    put_le32(p, key);
    return SendCommand(command, p, 4);
}

bool DesktopChannel::SendAppButton(uint8_t key) {
    ++m_manager.Stats().keys;
    ++m_manager.Stats().keysTotal;
    return SendCommand(HC_APPBUTTON, &key, 1);
}

bool DesktopChannel::SendMouse(uint8_t type, uint16_t x, uint16_t y) {
    ++m_manager.Stats().mouse;
    ++m_manager.Stats().mouseTotal;
    uint8_t p[5];
    p[0] = type;
    put_be16(p + 1, x);
    put_be16(p + 3, y);
    return SendCommand(HC_MOUSE, p, 5);
}

}  // namespace hd::desktop
