#include "listener/ServiceAnnouncer.h"

#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "common/Log.h"

namespace hd {

namespace {

bool IsSize(const std::string& text, char sep) {
    unsigned w = 0, h = 0;
    char c = 0, extra = 0;
    return std::sscanf(text.c_str(), "%u%c%u%c", &w, &c, &h, &extra) == 3 && c == sep && w > 0 &&
           h > 0;
}

bool SameAddress(const sockaddr* a, int family, const void* want) {
    if (!a || a->sa_family != family) return false;
    if (family == AF_INET)
        return reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr ==
               static_cast<const in_addr*>(want)->s_addr;
    return IN6_ARE_ADDR_EQUAL(&reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr,
                              static_cast<const in6_addr*>(want));
}

}  // namespace

AnnouncedInterface InterfaceForAddress(const std::string& bindAddr) {
    in6_addr addr{};  // large enough for either family
    int family = AF_INET;
    if (::inet_pton(AF_INET, bindAddr.c_str(), &addr) != 1) {
        family = AF_INET6;
        if (::inet_pton(AF_INET6, bindAddr.c_str(), &addr) != 1) return {};
    }
    if (family == AF_INET ? reinterpret_cast<in_addr*>(&addr)->s_addr == INADDR_ANY
                          : IN6_IS_ADDR_UNSPECIFIED(&addr))
        return {};
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    AnnouncedInterface found;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!SameAddress(i->ifa_addr, family, &addr)) continue;
        if (unsigned index = ::if_nametoindex(i->ifa_name)) {
            found = {false, index, family};
            break;
        }
    }
    ::freeifaddrs(list);
    return found;
}

std::string AnnouncedScreenSize(const std::string& device) {
    if (device == "virtual") {
        const char* s = std::getenv("HANDREL_SCREEN");
        if (s && IsSize(s, 'x')) return s;
        return "240x320";
    }
    if (device == "linux") {
        std::string text;
        std::ifstream("/sys/class/graphics/fb0/virtual_size") >> text;
        if (!IsSize(text, ',')) return "";
        text[text.find(',')] = 'x';
        return text;
    }
    return "";
}

ServiceAnnouncer::ServiceAnnouncer(uint16_t port, std::string device, std::string screen,
                                   AnnouncedInterface where)
    : m_port(port), m_device(std::move(device)), m_screen(std::move(screen)), m_where(where) {
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    m_name = std::string(host) + " (" + m_device + ")";
}

ServiceAnnouncer::~ServiceAnnouncer() {
    Stop();
}

bool ServiceAnnouncer::Start() {
    m_poll = avahi_threaded_poll_new();
    int error = 0;
    if (m_poll) {
        // Created before the poll thread runs, so OnClient's first call comes
        // on this thread and the rest on the poll thread.
        m_client = avahi_client_new(
            avahi_threaded_poll_get(m_poll), AvahiClientFlags(0),
            [](AvahiClient* c, AvahiClientState s, void* self) { OnClient(c, int(s), self); }, this,
            &error);
    }
    if (!m_client || avahi_threaded_poll_start(m_poll) < 0) {
        std::printf("hdlisten: discovery is unavailable (%s); not announced\n",
                    m_client ? "no poll thread" : avahi_strerror(error));
        std::fflush(stdout);
        log::Forced("SA::Start:Discovery unavailable: %s", avahi_strerror(error));
        Stop();
        return false;
    }
    return true;
}

void ServiceAnnouncer::Stop() {
    if (m_poll) avahi_threaded_poll_stop(m_poll);
    if (m_client) avahi_client_free(m_client);  // frees the entry group too
    if (m_poll) avahi_threaded_poll_free(m_poll);
    m_client = nullptr;
    m_group = nullptr;
    m_poll = nullptr;
}

void ServiceAnnouncer::OnClient(AvahiClient* client, int state, void* self) {
    auto* a = static_cast<ServiceAnnouncer*>(self);
    if (state == AVAHI_CLIENT_S_RUNNING) {
        a->Publish(client);
    } else if (state == AVAHI_CLIENT_S_COLLISION || state == AVAHI_CLIENT_S_REGISTERING) {
        if (a->m_group) avahi_entry_group_reset(a->m_group);
    } else if (state == AVAHI_CLIENT_FAILURE) {
        log::Forced("SA::Client:Avahi failed: %s", avahi_strerror(avahi_client_errno(client)));
    }
}

void ServiceAnnouncer::OnGroup(AvahiEntryGroup* group, int state, void* self) {
    auto* a = static_cast<ServiceAnnouncer*>(self);
    if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
        log::Log("SA::Group:Announced '%s' on port %u", a->m_name.c_str(), unsigned(a->m_port));
    } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
        char* other = avahi_alternative_service_name(a->m_name.c_str());
        a->m_name = other;
        avahi_free(other);
        a->Publish(avahi_entry_group_get_client(group));
    } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
        log::Forced("SA::Group:Announcing failed: %s",
                    avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
    }
}

void ServiceAnnouncer::Publish(AvahiClient* client) {
    if (!m_group) {
        m_group = avahi_entry_group_new(
            client,
            [](AvahiEntryGroup* g, AvahiEntryGroupState s, void* self) {
                OnGroup(g, int(s), self);
            },
            this);
        if (!m_group) return;
    }
    avahi_entry_group_reset(m_group);
    const std::string kind = "kind=" + m_device;
    const std::string screen = "screen=" + m_screen;
    const AvahiIfIndex iface = m_where.anyInterface ? AVAHI_IF_UNSPEC : AvahiIfIndex(m_where.index);
    const AvahiProtocol proto = m_where.anyInterface         ? AVAHI_PROTO_UNSPEC
                                : m_where.family == AF_INET6 ? AVAHI_PROTO_INET6
                                                             : AVAHI_PROTO_INET;
    int err = AVAHI_ERR_COLLISION;
    for (int tries = 0; err == AVAHI_ERR_COLLISION && tries < 10; ++tries) {
        err = avahi_entry_group_add_service(
            m_group, iface, proto, AvahiPublishFlags(0), m_name.c_str(), kServiceType, nullptr,
            nullptr, m_port, kind.c_str(), m_screen.empty() ? nullptr : screen.c_str(), nullptr);
        if (err == AVAHI_ERR_COLLISION) {
            char* other = avahi_alternative_service_name(m_name.c_str());
            m_name = other;
            avahi_free(other);
        }
    }
    if (err < 0 || avahi_entry_group_commit(m_group) < 0)
        log::Forced("SA::Publish:Cannot announce '%s': %s", m_name.c_str(), avahi_strerror(err));
}

}  // namespace hd
