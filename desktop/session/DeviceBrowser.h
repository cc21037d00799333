// DeviceBrowser (log tag "DB"): finds the hdlisten devices that announce
// _handrel._tcp with DNS-SD, through the Avahi daemon. Browsing and resolving
// run on Avahi's poll thread; Devices() may be called from any thread while
// it runs. No Qt: handrel-cli and the window both use it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct AvahiThreadedPoll;
struct AvahiClient;
struct AvahiServiceBrowser;

namespace hd::desktop {

struct FoundDevice {
    std::string name;     // the announced service name
    std::string address;  // IPv4, as text
    uint16_t port = 0;
    std::string kind;    // TXT "kind", e.g. "virtual"
    std::string screen;  // TXT "screen", "WxH", empty when not announced
};

class DeviceBrowser {
public:
    DeviceBrowser() = default;
    ~DeviceBrowser();
    DeviceBrowser(const DeviceBrowser&) = delete;
    DeviceBrowser& operator=(const DeviceBrowser&) = delete;

    // False with the reason in error when discovery is unavailable (no Avahi
    // daemon or no system bus).
    bool Start(std::string& error);
    void Stop();
    // The devices resolved so far, sorted by name then address.
    std::vector<FoundDevice> Devices() const;

private:
    static void OnBrowse(AvahiServiceBrowser* browser, int iface, int proto, int event,
                         const char* name, const char* type, const char* domain, void* self);

    AvahiThreadedPoll* m_poll = nullptr;
    AvahiClient* m_client = nullptr;
    AvahiServiceBrowser* m_browser = nullptr;
    mutable std::mutex m_mutex;
    std::map<std::string, FoundDevice> m_found;  // by interface and name
};

}  // namespace hd::desktop
