#include "desktop/session/ConnectionManager.h"

#include <ctime>

#include "common/Log.h"

namespace hd::desktop {

ConnectionManager::ConnectionManager(ConnectionSettings& settings, RemoteApi& rapi, SessionUi& ui)
    : m_settings(settings), m_rapi(rapi), m_ui(ui) {}

bool ConnectionManager::AcquireRemoteApiLink() {
    std::lock_guard l(m_linkMutex);
    if (m_linkCount != 0) {
        ++m_linkCount;  // the second channel shares the link
        return true;
    }
    const int position = ConnTypeCodeToPosition(m_settings.ConnTypeCode());
    if (IsRemoteApiPosition(position)) {
        Event started(true);
        RapiInit init;
        init.heRapiInit = &started;
        if (m_rapi.CeRapiInitEx(init) != S_OK) {
            m_ui.ShowMessage("Error initializing Rapi");
            return false;
        }
        if (!started.Wait(m_initWaitMs)) {
            m_rapi.CeRapiUninit();
            return false;
        }
        if (init.hrRapiInit != S_OK) {
            m_ui.ShowMessage("Rapi Initialization failed");
            m_rapi.CeRapiUninit();
            return false;
        }
    }
    m_linkType = position;
    m_linkCount = 1;
    return true;
}

bool ConnectionManager::ReleaseRemoteApiLink() {
    std::lock_guard l(m_linkMutex);
    if (m_linkCount == 0) return true;
    if (m_linkCount > 1) {
        --m_linkCount;
        return true;
    }
    const int now = ConnTypeCodeToPosition(m_settings.ConnTypeCode());
    if (IsRemoteApiPosition(m_linkType) && IsRemoteApiPosition(now)) m_rapi.CeRapiUninit();
    m_linkCount = 0;
    return true;
}

bool ConnectionManager::SelectHost(std::string& host) {
    const HostList list = m_settings.Hosts();
    if (list.hosts.empty() && !m_currentHost.empty()) {
        host = m_currentHost;  // a found device picked for this session
        return true;
    }
    if (list.hosts.empty() && !m_ui.FindsDevices()) {
        m_ui.ShowMessage("No hosts configured !");
        return false;
    }
    if (list.hosts.size() == 1) {
        host = list.hosts[0];
        return true;
    }
    if (!m_currentHost.empty()) {
        host = m_currentHost;
        return true;
    }
    std::optional<std::string> chosen = m_ui.ChooseHost(list.hosts);
    if (!chosen || chosen->empty()) return false;
    m_currentHost = *chosen;
    host = m_currentHost;
    return true;
}

std::string ConnectionManager::FormatNow() {
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%d:%d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

void ConnectionManager::MarkConnected() {
    std::lock_guard l(m_timeMutex);
    m_connectTime = FormatNow();
}

void ConnectionManager::MarkDisconnected() {
    std::lock_guard l(m_timeMutex);
    m_disconnectTime = FormatNow();
}

std::string ConnectionManager::ConnectTime() const {
    std::lock_guard l(m_timeMutex);
    return m_connectTime;
}

std::string ConnectionManager::DisconnectTime() const {
    std::lock_guard l(m_timeMutex);
    return m_disconnectTime;
}

void ConnectionManager::ResetConnectionCounters() {
    m_stats.keys = 0;
    m_stats.mouse = 0;
    m_stats.sent = 0;
    m_stats.received = 0;
}

}  // namespace hd::desktop
