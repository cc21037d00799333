// ServiceAnnouncer (log tag "SA"): announces hdlisten on the local network as
// a _handrel._tcp service with its port and TXT records "kind" and "screen",
// through the Avahi daemon. Started and stopped by hdlisten's composition
// root; all Avahi work runs on Avahi's own poll thread, so it never blocks
// the accept loop. Without a daemon (or a system bus) Start() says once that
// discovery is unavailable and hdlisten carries on unannounced.
#pragma once

#include <cstdint>
#include <string>

struct AvahiThreadedPoll;
struct AvahiClient;
struct AvahiEntryGroup;

namespace hd {

// Where the announcement goes: the interface that holds the listening
// address, so a listener bound to one address (loopback above all) is not
// offered on networks that cannot reach it. A wildcard address, or one no
// interface holds, announces everywhere (interface and protocol 0 then mean
// "any": Avahi's AVAHI_IF_UNSPEC and AVAHI_PROTO_UNSPEC are -1).
struct AnnouncedInterface {
    bool anyInterface = true;
    unsigned index = 0;  // the interface's index when not anyInterface
    int family = 0;      // AF_INET or AF_INET6 when not anyInterface
};
AnnouncedInterface InterfaceForAddress(const std::string& bindAddr);

// The screen size a device kind shows, "WxH", or empty when only the agent
// can tell (an X display): the virtual handheld's from HANDREL_SCREEN or its
// 240x320 default, the frame buffer's from sysfs.
std::string AnnouncedScreenSize(const std::string& device);

class ServiceAnnouncer {
public:
    static constexpr const char* kServiceType = "_handrel._tcp";

    ServiceAnnouncer(uint16_t port, std::string device, std::string screen,
                     AnnouncedInterface where = {});
    ~ServiceAnnouncer();
    ServiceAnnouncer(const ServiceAnnouncer&) = delete;
    ServiceAnnouncer& operator=(const ServiceAnnouncer&) = delete;

    // False (after one line on stdout) when discovery is unavailable.
    bool Start();
    void Stop();

private:
    static void OnClient(AvahiClient* client, int state, void* self);
    static void OnGroup(AvahiEntryGroup* group, int state, void* self);
    void Publish(AvahiClient* client);

    uint16_t m_port;
    std::string m_device;
    std::string m_screen;
    std::string m_name;
    AnnouncedInterface m_where;
    AvahiThreadedPoll* m_poll = nullptr;
    AvahiClient* m_client = nullptr;
    AvahiEntryGroup* m_group = nullptr;
};

}  // namespace hd
