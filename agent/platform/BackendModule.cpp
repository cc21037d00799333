#include "agent/platform/BackendModule.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "common/Log.h"

namespace hd::platform {

namespace {

void HostWrite(bool forced, const char* text) {
    if (forced)
        log::Forced("%s", text);
    else
        log::Log("%s", text);
}

const ModuleHost kHost{HostWrite, log::Enabled};

std::string ModulePath(const char* file) {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&LoadBackendModule), &info) || !info.dli_fname)
        return file;
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? file : path.substr(0, slash + 1) + file;
}

}  // namespace

const ModuleBackends* LoadBackendModule(const ModuleSpec& spec) {
    const std::string path = ModulePath(spec.file);
    // Never closed: it stays loaded while the agent is unloaded and loaded
    // again per connection, and each new agent hands it its own log through
    // the entry point. Closing it could leave objects it made without code.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "Handrel: the %s backend could not be loaded: %s\n", spec.what,
                     ::dlerror());
        log::Forced("%s::Load:Error loading %s", spec.tag, path.c_str());
        return nullptr;
    }
    auto entry = reinterpret_cast<BackendModuleEntry>(::dlsym(module, spec.entry));
    const ModuleBackends* backends = entry ? entry(&kHost) : nullptr;
    if (!backends) {
        std::fprintf(stderr, "Handrel: %s has no %s backends\n", path.c_str(), spec.what);
        log::Forced("%s::Load:No entry point in %s", spec.tag, path.c_str());
    }
    return backends;
}

}  // namespace hd::platform
