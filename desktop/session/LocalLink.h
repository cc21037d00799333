// The local link: the remote-API layer of this desktop. It loads the agent
// library into this process and runs an entry point on a thread of its own
// over a socketpair, handing the caller the other end as the stream, with the
// socket stream's read wait and E_READ_TIMEOUT. The default connection type
// reaches the built-in virtual handheld this way with no configuration.
// Called on the thread that connects; owns the agent threads and streams.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/SocketStream.h"
#include "desktop/session/RemoteApi.h"

namespace hd::desktop {

class LocalLink : public RemoteApi {
public:
    // device: "virtual" or "linux"; root: the device root folder (empty: the
    // agent's default); library: the agent's path (empty: beside the program).
    LocalLink(std::string device = "virtual", std::string root = {}, std::string library = {});
    ~LocalLink() override;

    HRESULT CeRapiInitEx(RapiInit& init) override;
    HRESULT CeRapiInvoke(const char* dll, const char* function, uint32_t cbInput, uint8_t* input,
                         uint32_t* cbOutput, uint8_t** output, IRAPIStream** stream,
                         uint32_t reserved) override;
    HRESULT CeRapiUninit() override;
    void ShutdownStream(IRAPIStream* stream) override;

    bool Loaded() const { return m_module != nullptr; }
    // The agent installed with the program or built beside it, else the loader's search.
    static std::string DefaultLibrary();

private:
    struct Channel {
        SocketStream desktopEnd;
        SocketStream agentEnd;
        std::thread thread;
    };

    std::string m_device, m_root, m_library;
    std::mutex m_mutex;
    void* m_module = nullptr;
    StreamEntry m_invoke = nullptr;
    StreamEntry m_screen = nullptr;
    std::vector<std::unique_ptr<Channel>> m_channels;
    // Ended channels whose streams a late reader may still hold: freed at the
    // next start or when the link goes.
    std::vector<std::unique_ptr<Channel>> m_retired;
};

}  // namespace hd::desktop
