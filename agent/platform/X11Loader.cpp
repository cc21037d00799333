// Loads the X11 backends module beside the agent (log tag "XM").
#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "agent/platform/X11Backends.h"
#include "common/Log.h"

namespace hd::platform {

namespace {

void HostWrite(bool forced, const char* text) {
    if (forced)
        log::Forced("%s", text);
    else
        log::Log("%s", text);
}

const X11Host kHost{HostWrite, log::Enabled};

std::string ModulePath() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&LoadX11Backends), &info) || !info.dli_fname)
        return kX11ModuleName;
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? kX11ModuleName : path.substr(0, slash + 1) + kX11ModuleName;
}

const X11Backends* Load() {
    const std::string path = ModulePath();
    // Never closed: it stays loaded while the agent is unloaded and loaded
    // again per connection, and each new agent hands it its own log through
    // the entry point. Closing it could leave objects it made without code.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "Handrel: the X11 backend could not be loaded: %s\n", ::dlerror());
        log::Forced("XM::Load:Error loading %s", path.c_str());
        return nullptr;
    }
    auto entry = reinterpret_cast<X11BackendsEntry>(::dlsym(module, kX11ModuleEntry));
    const X11Backends* backends = entry ? entry(&kHost) : nullptr;
    if (!backends) {
        std::fprintf(stderr, "Handrel: %s has no X11 backends\n", path.c_str());
        log::Forced("XM::Load:No entry point in %s", path.c_str());
    }
    return backends;
}

}  // namespace

const X11Backends* LoadX11Backends() {
    static std::once_flag once;
    static const X11Backends* backends = nullptr;
    std::call_once(once, [] { backends = Load(); });
    return backends;
}

}  // namespace hd::platform
