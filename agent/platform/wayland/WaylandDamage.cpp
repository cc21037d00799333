#include "agent/platform/wayland/WaylandDamage.h"

#include <pthread.h>

#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<WaylandDamage> WaylandDamage::Start(const std::string& displayName) {
    auto connection = WaylandConnection::Open(displayName.c_str(), "WW");
    if (!connection) return nullptr;
    auto copy = OutputCopy::Open(*connection, "WW");
    if (!copy) return nullptr;
    if (!copy->HasDamage()) {
        log::Forced("WW::Start:the compositor copies no damage; the screen is polled");
        return nullptr;
    }
    return std::unique_ptr<WaylandDamage>(
        new WaylandDamage(std::move(connection), std::move(copy)));
}

WaylandDamage::WaylandDamage(std::unique_ptr<WaylandConnection> connection,
                             std::unique_ptr<OutputCopy> copy)
    : m_connection(std::move(connection)), m_copy(std::move(copy)), m_thread([this] { Run(); }) {}

WaylandDamage::~WaylandDamage() {
    m_stop.store(true);
    m_thread.join();
    m_copy.reset();
}

bool WaylandDamage::Listening() {
    std::lock_guard lock(m_mutex);
    return m_listener && m_running.load();
}

void WaylandDamage::SetListener(std::function<void()> listener) {
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

void WaylandDamage::Run() {
    pthread_setname_np(pthread_self(), "WW");
    // The first copy takes the screen as it is; each one after waits for a
    // frame that changed since the one before.
    bool first = true;
    int failures = 0;
    while (!m_stop.load() && !m_connection->Broken()) {
        const auto result = m_copy->Copy(!first, 60000, &m_stop);
        if (result == OutputCopy::Result::Copied) {
            failures = 0;
            if (!first) {
                std::lock_guard lock(m_mutex);
                if (m_listener) m_listener();
            }
            first = false;
        } else if (result == OutputCopy::Result::Failed) {
            // A copy fails while the output changes size; a few in a row
            // are waited out, a steady failure ends the watching.
            if (++failures > 50) {
                log::Forced(
                    "WW::Run:the compositor keeps failing the copies; the screen is polled");
                break;
            }
            for (int i = 0; i < 2 && !m_stop.load(); ++i) m_connection->Dispatch(50);
        }
    }
    if (m_connection->Broken() && !m_stop.load())
        log::Forced("WW::Run:the compositor is gone; the screen is polled");
    m_running.store(false);
}

}  // namespace hd::platform
