// The desktop's connection state shared by its two channels: the reference-
// counted remote-API link, the teardown flag, the current host and the
// connection statistics. Owned by the session; used on the user-interface
// thread, and by the receiver thread for its counters.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "desktop/session/RemoteApi.h"
#include "desktop/session/SessionUi.h"
#include "desktop/session/Settings.h"

namespace hd::desktop {

struct Statistics {
    std::atomic<uint32_t> keysTotal{0}, keys{0};
    std::atomic<uint32_t> mouseTotal{0}, mouse{0};
    std::atomic<uint32_t> sentTotal{0}, sent{0};
    std::atomic<uint32_t> receivedTotal{0}, received{0};
};

class ConnectionManager {
public:
    ConnectionManager(ConnectionSettings& settings, RemoteApi& rapi, SessionUi& ui);

    bool AcquireRemoteApiLink();
    bool ReleaseRemoteApiLink();
    // Chooses the host for a TCP connection: the only one, the current one, or
    // the user's choice among several.
    bool SelectHost(std::string& host);

    ConnectionSettings& Store() { return m_settings; }
    RemoteApi& Rapi() { return m_rapi; }
    SessionUi& Ui() { return m_ui; }
    Statistics& Stats() { return m_stats; }

    int LinkCount() const {
        std::lock_guard l(m_linkMutex);
        return m_linkCount;
    }
    std::atomic<bool>& Teardown() { return m_teardown; }
    void ClearCurrentHost() { m_currentHost.clear(); }
    const std::string& CurrentHost() const { return m_currentHost; }

    void MarkConnected();
    void MarkDisconnected();
    std::string ConnectTime() const;
    std::string DisconnectTime() const;
    // Zeroes the four since-last-connect counters.
    void ResetConnectionCounters();

    // The pause after an end command before the channel is dropped (250 ms).
    void SetEndPauseMs(int ms) { m_endPauseMs = ms; }
    int EndPauseMs() const { return m_endPauseMs; }
    // How long the remote-API start may take (10 s).
    void SetInitWaitMs(int ms) { m_initWaitMs = ms; }

    // The current local time as the statistics show it: "%d/%d/%d %d:%d:%d".
    static std::string FormatNow();

private:
    ConnectionSettings& m_settings;
    RemoteApi& m_rapi;
    SessionUi& m_ui;
    // Both channels end (and release the link) on their own threads: the
    // receiver's on a broken read, the user interface's on Disconnect.
    mutable std::mutex m_linkMutex;
    int m_linkCount = 0;
    int m_linkType = 0;
    std::atomic<bool> m_teardown{false};
    std::string m_currentHost;
    Statistics m_stats;
    mutable std::mutex m_timeMutex;
    std::string m_connectTime, m_disconnectTime;
    int m_endPauseMs = 250;
    int m_initWaitMs = 10000;
};

// Connection type positions whose transport is the remote API.
inline bool IsRemoteApiPosition(int position) {
    return position == 0 || position == 1;
}

}  // namespace hd::desktop
