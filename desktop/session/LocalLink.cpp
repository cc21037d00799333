#include "desktop/session/LocalLink.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "common/AgentLocation.h"
#include "common/Log.h"

namespace hd::desktop {

LocalLink::LocalLink(std::string device, std::string root, std::string library)
    : m_device(std::move(device)), m_root(std::move(root)), m_library(std::move(library)) {
    if (m_library.empty()) m_library = DefaultLibrary();
}

LocalLink::~LocalLink() {
    CeRapiUninit();
    m_retired.clear();
}

std::string LocalLink::DefaultLibrary() {
    std::string near = AgentLibraryNear(ProgramFolder());
    return near.empty() ? "libhdagent.so" : near;
}

HRESULT LocalLink::CeRapiInitEx(RapiInit& init) {
    std::lock_guard l(m_mutex);
    m_retired.clear();
    if (!m_module) {
        // The agent reads its device and root folder when it is loaded.
        setenv("HANDREL_DEVICE", m_device.c_str(), 1);
        if (!m_root.empty()) setenv("HANDREL_ROOT", m_root.c_str(), 1);
        m_module = dlopen(m_library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_module) {
            m_invoke = reinterpret_cast<StreamEntry>(dlsym(m_module, "HdInvoke"));
            m_screen = reinterpret_cast<StreamEntry>(dlsym(m_module, "HdScreen"));
        }
        if (!m_module || !m_invoke || !m_screen) {
            log::Forced("LocalLink::Init:Error loading %s: %s", m_library.c_str(),
                        m_module ? "entry point missing" : dlerror());
            if (m_module) dlclose(m_module);
            m_module = nullptr;
            init.hrRapiInit = E_FAIL;
            if (init.heRapiInit) init.heRapiInit->Set();
            return S_OK;  // started; the result says it failed
        }
    }
    init.hrRapiInit = S_OK;
    if (init.heRapiInit) init.heRapiInit->Set();
    return S_OK;
}

HRESULT LocalLink::CeRapiInvoke(const char*, const char* function, uint32_t, uint8_t*,
                                uint32_t* cbOutput, uint8_t** output, IRAPIStream** stream,
                                uint32_t) {
    std::lock_guard l(m_mutex);
    if (cbOutput) *cbOutput = 0;
    if (output) *output = nullptr;
    if (!m_module || !stream) return E_FAIL;
    StreamEntry entry = nullptr;
    if (std::strcmp(function, "HdInvoke") == 0) entry = m_invoke;
    if (std::strcmp(function, "HdScreen") == 0) entry = m_screen;
    if (!entry) return E_FAIL;
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        log::Forced("LocalLink::Invoke:Error creating the channel: %s", std::strerror(errno));
        return E_FAIL;
    }
    auto ch = std::make_unique<Channel>();
    ch->desktopEnd.Attach(fds[0]);
    ch->agentEnd.Attach(fds[1]);
    Channel* raw = ch.get();
    const bool screen = entry == m_screen;
    ch->thread = std::thread([raw, entry, screen] {
        pthread_setname_np(pthread_self(), screen ? "PS" : "PI");
        uint32_t scratch = 0, cb = 0;
        uint8_t* out = nullptr;
        entry(0, reinterpret_cast<uint8_t*>(&scratch), &cb, &out, &raw->agentEnd);
        // The entry point has returned: the desktop's reads now fail at once.
        raw->agentEnd.Shutdown();
    });
    *stream = &ch->desktopEnd;
    m_channels.push_back(std::move(ch));
    return S_OK;
}

void LocalLink::ShutdownStream(IRAPIStream* stream) {
    std::lock_guard l(m_mutex);
    for (auto& ch : m_channels)
        if (&ch->desktopEnd == stream) ch->desktopEnd.Shutdown();
    for (auto& ch : m_retired)
        if (&ch->desktopEnd == stream) ch->desktopEnd.Shutdown();
}

HRESULT LocalLink::CeRapiUninit() {
    std::lock_guard l(m_mutex);
    // Every blocked call on either end returns; then the agent threads end.
    for (auto& ch : m_channels) {
        ch->desktopEnd.Shutdown();
        ch->agentEnd.Shutdown();
    }
    for (auto& ch : m_channels) {
        if (ch->thread.joinable()) ch->thread.join();
        m_retired.push_back(std::move(ch));
    }
    m_channels.clear();
    if (m_module) {
        dlclose(m_module);
        m_module = nullptr;
        m_invoke = m_screen = nullptr;
    }
    return S_OK;
}

}  // namespace hd::desktop
