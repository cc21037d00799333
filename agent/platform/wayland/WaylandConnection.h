// WaylandConnection (WC): one connection to a Wayland compositor, used by
// the one thread of the object that owns it, closed with its owner. It lists the
// compositor's globals once and binds them on request; every wait is
// bounded, so a compositor that stops answering costs a time-out, never a
// hang. A lost compositor makes Broken() true; nothing is thrown.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hd::platform {

class WaylandConnection {
public:
    // name: the display ("" or null: $WAYLAND_DISPLAY); who: the owner's tag,
    // for the one forced "WC::Open:" line written when it cannot connect.
    static std::unique_ptr<WaylandConnection> Open(const char* name, const char* who);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* Get() const { return m_display; }
    const std::string& Name() const { return m_name; }

    // Binds the first global of the interface, at the lower of its offered
    // version and maxVersion; null when the compositor offers none.
    void* Bind(const wl_interface* interface, uint32_t maxVersion, uint32_t* bound = nullptr);
    template <class T>
    T* Bind(const wl_interface* interface, uint32_t maxVersion, uint32_t* bound = nullptr) {
        return static_cast<T*>(Bind(interface, maxVersion, bound));
    }
    bool Offers(const char* interfaceName) const;

    // Sends what is queued and waits until the compositor has handled it and
    // every event it sent before has been dispatched. False on a time-out or
    // a lost connection.
    bool Roundtrip(int timeoutMs = kWaitMs);
    // Dispatches what arrives within timeoutMs (at least what is queued).
    // False on a lost connection.
    bool Dispatch(int timeoutMs);
    // Dispatches until done() is true; false on a time-out or a lost
    // connection.
    template <class Done>
    bool DispatchUntil(Done done, int timeoutMs = kWaitMs) {
        const int64_t end = NowMs() + timeoutMs;
        while (!done()) {
            const int64_t left = end - NowMs();
            if (left <= 0 || !Dispatch(int(left))) return done();
        }
        return true;
    }
    bool Broken() const;

    static constexpr int kWaitMs = 2000;
    static int64_t NowMs();

private:
    struct Global {
        uint32_t name;
        std::string interface;
        uint32_t version;
    };
    WaylandConnection(wl_display* display, std::string name);
    static void OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                         uint32_t version);
    static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

    wl_display* m_display;
    std::string m_name;
    wl_registry* m_registry = nullptr;
    std::vector<Global> m_globals;
};

}  // namespace hd::platform
