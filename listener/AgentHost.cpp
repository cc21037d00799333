#include "listener/AgentHost.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "common/AgentLocation.h"
#include "common/Log.h"

namespace hd {

namespace {
constexpr const char* kLibraryName = "libhdagent.so";

// The agent reads these once, when it is loaded; setenv only when they change,
// since other threads may read the environment.
void SetEnvIfChanged(const char* name, const std::string& value) {
    if (value.empty()) return;
    const char* now = std::getenv(name);
    if (!now || value != now) ::setenv(name, value.c_str(), 1);
}
}  // namespace

std::string AgentHost::BesideProgram() {
    return AgentLibraryNear(ProgramFolder());
}

void AgentHost::ExportEnvironment() const {
    SetEnvIfChanged("HANDREL_DEVICE", m_settings.device);
    SetEnvIfChanged("HANDREL_ROOT", m_settings.root);
}

void* AgentHost::OpenLibrary() const {
    // A copy beside the program wins; falling back from a broken one to some
    // other installed agent would hide the fault.
    std::string path = m_settings.libraryPath;
    if (path.empty()) {
        path = BesideProgram();
        if (path.empty()) path = kLibraryName;
    }
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) std::fprintf(stderr, "hdlisten: %s\n", ::dlerror());
    return module;
}

bool AgentHost::Load() {
    Unload();
    ExportEnvironment();
    m_module = OpenLibrary();
    if (!m_module) {
        log::Forced("HCS::Load:Error loading hdagent.dll");
        return false;
    }
    m_pInvoke = reinterpret_cast<StreamEntry>(::dlsym(m_module, "HdInvoke"));
    if (!m_pInvoke) {
        std::fprintf(stderr, "hdlisten: %s\n", ::dlerror());
        log::Forced("HCS::Load:Error getting HdInvoke function pointer");
        Unload();
        return false;
    }
    m_pScreen = reinterpret_cast<StreamEntry>(::dlsym(m_module, "HdScreen"));
    if (!m_pScreen) {
        std::fprintf(stderr, "hdlisten: %s\n", ::dlerror());
        log::Forced("HCS::Load:Error getting HdScreen function pointer");
        Unload();
        return false;
    }
    return true;
}

void AgentHost::Unload() {
    if (m_module) ::dlclose(m_module);
    m_module = nullptr;
    m_pInvoke = nullptr;
    m_pScreen = nullptr;
}

void AgentHost::Call(StreamEntry entry, IRAPIStream* stream) {
    if (!entry) return;
    // The agent reads nothing from the input block and produces no output in
    // stream mode, but the pointers it is given are never null.
    uint32_t scratch = 0;
    uint32_t cbOut = 0;
    uint8_t* pOut = nullptr;
    entry(0, reinterpret_cast<uint8_t*>(&scratch), &cbOut, &pOut, stream);
}

}  // namespace hd
