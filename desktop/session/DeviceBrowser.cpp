#include "desktop/session/DeviceBrowser.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

#include <algorithm>
#include <tuple>

#include "common/Log.h"

namespace hd::desktop {

namespace {

constexpr const char* kServiceType = "_handrel._tcp";

std::string Key(int iface, const char* name) {
    return std::to_string(iface) + "/" + name;
}

std::string TxtValue(AvahiStringList* txt, const char* key) {
    AvahiStringList* item = avahi_string_list_find(txt, key);
    char* k = nullptr;
    char* v = nullptr;
    if (!item || avahi_string_list_get_pair(item, &k, &v, nullptr) < 0) return "";
    std::string value = v ? v : "";
    avahi_free(k);
    avahi_free(v);
    return value;
}

}  // namespace

DeviceBrowser::~DeviceBrowser() {
    Stop();
}

bool DeviceBrowser::Start(std::string& error) {
    Stop();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_found.clear();
    }
    int code = 0;
    m_poll = avahi_threaded_poll_new();
    if (m_poll)
        m_client = avahi_client_new(avahi_threaded_poll_get(m_poll), AvahiClientFlags(0), nullptr,
                                    nullptr, &code);
    if (m_client)
        m_browser = avahi_service_browser_new(
            m_client, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, kServiceType, nullptr, AvahiLookupFlags(0),
            [](AvahiServiceBrowser* b, AvahiIfIndex i, AvahiProtocol p, AvahiBrowserEvent e,
               const char* n, const char* t, const char* d, AvahiLookupResultFlags,
               void* self) { OnBrowse(b, i, p, e, n, t, d, self); },
            this);
    if (!m_browser || avahi_threaded_poll_start(m_poll) < 0) {
        if (m_client && !m_browser) code = avahi_client_errno(m_client);
        error = std::string("discovery is unavailable: ") + avahi_strerror(code);
        log::Log("DB::Start:%s", error.c_str());
        Stop();
        return false;
    }
    return true;
}

void DeviceBrowser::Stop() {
    if (m_poll) avahi_threaded_poll_stop(m_poll);
    // Freeing the client frees the browser and the resolvers still running.
    if (m_client) avahi_client_free(m_client);
    if (m_poll) avahi_threaded_poll_free(m_poll);
    m_browser = nullptr;
    m_client = nullptr;
    m_poll = nullptr;
}

std::vector<FoundDevice> DeviceBrowser::Devices() const {
    std::vector<FoundDevice> all;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& [key, d] : m_found) all.push_back(d);
    }
    auto order = [](const FoundDevice& d) { return std::tie(d.name, d.address, d.port); };
    std::sort(all.begin(), all.end(),
              [&](const FoundDevice& a, const FoundDevice& b) { return order(a) < order(b); });
    // One line per device even when it is seen on two interfaces.
    all.erase(std::unique(
                  all.begin(), all.end(),
                  [&](const FoundDevice& a, const FoundDevice& b) { return order(a) == order(b); }),
              all.end());
    return all;
}

void DeviceBrowser::OnBrowse(AvahiServiceBrowser* browser, int iface, int proto, int event,
                             const char* name, const char* type, const char* domain, void* self) {
    auto* b = static_cast<DeviceBrowser*>(self);
    if (event == AVAHI_BROWSER_NEW) {
        // Resolvers left running when the client is freed go with it.
        avahi_service_resolver_new(
            avahi_service_browser_get_client(browser), iface, proto, name, type, domain,
            AVAHI_PROTO_INET, AvahiLookupFlags(0),
            [](AvahiServiceResolver* r, AvahiIfIndex i, AvahiProtocol, AvahiResolverEvent e,
               const char* n, const char*, const char*, const char*, const AvahiAddress* a,
               uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags, void* self) {
                if (e == AVAHI_RESOLVER_FOUND && a) {
                    char text[AVAHI_ADDRESS_STR_MAX] = {};
                    avahi_address_snprint(text, sizeof text, a);
                    FoundDevice d{n, text, port, TxtValue(txt, "kind"), TxtValue(txt, "screen")};
                    auto* owner = static_cast<DeviceBrowser*>(self);
                    std::lock_guard<std::mutex> lock(owner->m_mutex);
                    owner->m_found[Key(i, n)] = d;
                } else {
                    log::Log("DB::Resolve:Cannot resolve '%s'", n);
                }
                avahi_service_resolver_free(r);
            },
            b);
    } else if (event == AVAHI_BROWSER_REMOVE) {
        std::lock_guard<std::mutex> lock(b->m_mutex);
        b->m_found.erase(Key(iface, name));
    }
}

}  // namespace hd::desktop
