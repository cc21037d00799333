#include "agent/platform/wayland/WaylandClipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "agent/platform/x11/X11Text.h"
#include "common/Log.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace hd::platform {

namespace {

// The text types offered and asked for, the best first.
constexpr const char* kTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT",
                                  "STRING"};

const zwlr_data_control_offer_v1_listener kOfferListener = {
    [](void* data, zwlr_data_control_offer_v1*, const char* type) {
        auto* types = static_cast<std::vector<std::string>*>(data);
        if (type && types->size() < 64) types->push_back(type);  // a bound on a peer's list
    },
};

const zwlr_data_control_device_v1_listener kDeviceListener = {
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        static_cast<WaylandClipboard*>(data)->OnOffer(offer);
    },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        static_cast<WaylandClipboard*>(data)->OnSelection(offer, false);
    },
    [](void*, zwlr_data_control_device_v1*) {
        log::Forced("WB::Run:the compositor ended the clipboard control");
    },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        static_cast<WaylandClipboard*>(data)->OnSelection(offer, true);
    },
};

const zwlr_data_control_source_v1_listener kSourceListener = {
    [](void* data, zwlr_data_control_source_v1*, const char* type, int32_t fd) {
        static_cast<WaylandClipboard*>(data)->OnSend(type, fd);
    },
    [](void* data, zwlr_data_control_source_v1* source) {
        static_cast<WaylandClipboard*>(data)->OnCancelled(source);
    },
};

}  // namespace

std::unique_ptr<WaylandClipboard> WaylandClipboard::Open(const char* name) {
    auto connection = WaylandConnection::Open(name, "WB");
    if (!connection) return nullptr;
    auto* manager =
        connection->Bind<zwlr_data_control_manager_v1>(&zwlr_data_control_manager_v1_interface, 2);
    auto* seat = connection->Bind<wl_seat>(&wl_seat_interface, 1);
    if (!manager || !seat) {
        log::Forced("WB::Open:the compositor on %s has no %s", connection->Name().c_str(),
                    manager ? "seat" : "zwlr_data_control_manager_v1");
        if (manager) zwlr_data_control_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        return nullptr;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        log::Forced("WB::Open:eventfd failed: %s", std::strerror(errno));
        return nullptr;
    }
    auto* device = zwlr_data_control_manager_v1_get_data_device(manager, seat);
    // The device keeps the seat's clipboard; the seat object is not needed.
    wl_seat_destroy(seat);
    std::unique_ptr<WaylandClipboard> clipboard(
        new WaylandClipboard(std::move(connection), manager, device, wakeFd));
    return clipboard;
}

WaylandClipboard::WaylandClipboard(std::unique_ptr<WaylandConnection> connection,
                                   zwlr_data_control_manager_v1* manager,
                                   zwlr_data_control_device_v1* device, int wakeFd)
    : m_connection(std::move(connection)),
      m_manager(manager),
      m_device(device),
      m_jobs(wakeFd, "WB") {
    zwlr_data_control_device_v1_add_listener(m_device, &kDeviceListener, this);
    // The current selection is known before the first request.
    m_connection->Roundtrip();
    m_thread = std::thread([this] { Run(); });
}

WaylandClipboard::~WaylandClipboard() {
    m_jobs.Stop();
    m_thread.join();
    for (auto& [offer, info] : m_offers) zwlr_data_control_offer_v1_destroy(offer);
    if (m_source) zwlr_data_control_source_v1_destroy(m_source);
    zwlr_data_control_device_v1_destroy(m_device);
    zwlr_data_control_manager_v1_destroy(m_manager);
    wl_display_flush(m_connection->Get());
    if (m_readFd >= 0) ::close(m_readFd);
}

bool WaylandClipboard::SetUnicodeText(const uint8_t* data, size_t size) {
    return m_jobs.Own(Job::Own, data, size, kWait);
}

bool WaylandClipboard::GetUnicodeText(std::vector<uint8_t>& out) {
    out.clear();
    int fd = -1;
    {
        std::unique_lock lock(m_jobs.Mutex());
        if (!m_jobs.Post(lock, Job::Receive, kWait)) return false;
        if (m_owned) {
            out = m_jobs.block;
            return !out.empty();
        }
        fd = m_readFd;
        m_readFd = -1;
    }
    // The owner writes on its own time: read until it closes, within bounds.
    std::string text;
    const auto end = std::chrono::steady_clock::now() + kWait;
    bool ended = false;
    while (!ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) break;
        char buf[65536];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            ended = n == 0;
            break;
        }
        if (text.size() + size_t(n) > kMaxText) {
            log::Forced("WB::Get:the clipboard holds more than %zu bytes; not taken", kMaxText);
            break;
        }
        text.append(buf, size_t(n));
    }
    ::close(fd);
    if (!ended) {
        if (text.size() <= kMaxText) log::Forced("WB::Get:the clipboard's owner did not answer");
        return false;
    }
    out = Utf8ToUtf16Le(text);
    return true;
}

void WaylandClipboard::Run() {
    pthread_setname_np(pthread_self(), "WB");
    wl_display* d = m_connection->Get();
    while (!m_jobs.Stopping()) {
        RunJob();
        while (wl_display_prepare_read(d) != 0) wl_display_dispatch_pending(d);
        wl_display_flush(d);
        pollfd fds[2] = {{wl_display_get_fd(d), POLLIN, 0}, {m_jobs.WakeFd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            wl_display_cancel_read(d);
            log::Forced("WB::Run:poll failed: %s", std::strerror(errno));
            break;
        }
        if (fds[0].revents & POLLIN) {
            wl_display_read_events(d);
        } else {
            wl_display_cancel_read(d);
        }
        wl_display_dispatch_pending(d);
        if (fds[1].revents) {
            uint64_t count;
            if (::read(m_jobs.WakeFd(), &count, sizeof count) < 0 && errno != EAGAIN) break;
        }
        if (m_connection->Broken()) {
            log::Forced("WB::Run:the compositor is gone, the clipboard is lost");
            break;
        }
    }
    // Whoever still waits learns at once.
    std::lock_guard lock(m_jobs.Mutex());
    m_jobs.EndLocked();
}

void WaylandClipboard::RunJob() {
    std::string text;
    const Job job = m_jobs.Take(text);
    if (job == Job::Nothing) return;
    // What the compositor said before the request counts (a lost ownership).
    m_connection->Roundtrip();
    bool ok = false;
    int fd = -1;
    if (job == Job::Own) {
        m_utf8Text.swap(text);
        Own();
        ok = m_connection->Roundtrip() && m_source;
    } else {
        ok = m_source || (fd = Receive()) >= 0;
    }
    std::lock_guard lock(m_jobs.Mutex());
    m_owned = m_source != nullptr;
    if (m_readFd >= 0) ::close(m_readFd);
    m_readFd = fd;
    m_jobs.FinishLocked(ok);
}

void WaylandClipboard::Own() {
    if (m_source) zwlr_data_control_source_v1_destroy(m_source);
    m_source = zwlr_data_control_manager_v1_create_data_source(m_manager);
    zwlr_data_control_source_v1_add_listener(m_source, &kSourceListener, this);
    for (const char* type : kTypes) zwlr_data_control_source_v1_offer(m_source, type);
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
}

int WaylandClipboard::Receive() {
    if (!m_selection) return -1;  // the clipboard is empty
    const auto& types = m_offers[m_selection].types;
    const char* chosen = nullptr;
    for (const char* type : kTypes)
        for (const std::string& t : types)
            if (!chosen && t == type) chosen = type;
    if (!chosen) {
        log::Log("WB::Get:the clipboard holds no text");
        return -1;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        log::Forced("WB::Get:pipe failed: %s", std::strerror(errno));
        return -1;
    }
    zwlr_data_control_offer_v1_receive(m_selection, chosen, fds[1]);
    wl_display_flush(m_connection->Get());
    ::close(fds[1]);
    return fds[0];
}

void WaylandClipboard::OnOffer(zwlr_data_control_offer_v1* offer) {
    // Map nodes stay where they are, so the list may be the listener's data.
    zwlr_data_control_offer_v1_add_listener(offer, &kOfferListener, &m_offers[offer].types);
}

void WaylandClipboard::Drop(zwlr_data_control_offer_v1* offer) {
    if (!offer || offer == m_selection || offer == m_primary) return;
    m_offers.erase(offer);
    zwlr_data_control_offer_v1_destroy(offer);
}

void WaylandClipboard::OnSelection(zwlr_data_control_offer_v1* offer, bool primary) {
    zwlr_data_control_offer_v1*& slot = primary ? m_primary : m_selection;
    zwlr_data_control_offer_v1* old = slot;
    slot = offer;
    if (old != offer) Drop(old);
}

void WaylandClipboard::OnSend(const char*, int fd) {
    // Another client reads the text: written within bounds, never blocking
    // the thread for long.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + kWait;
    while (done < m_utf8Text.size() && std::chrono::steady_clock::now() < end) {
        const ssize_t n = ::write(fd, m_utf8Text.data() + done, m_utf8Text.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            break;
        }
    }
    ::close(fd);
}

void WaylandClipboard::OnCancelled(zwlr_data_control_source_v1* source) {
    zwlr_data_control_source_v1_destroy(source);
    if (source == m_source) m_source = nullptr;
    std::lock_guard lock(m_jobs.Mutex());
    m_owned = m_source != nullptr;
}

}  // namespace hd::platform
