// AgentHost (log tag "HCS"), the agent loader: loads libhdagent.so for one connection, resolves its
// two entry points and calls them with the stream of their channel. Used on the main thread by
// ConnectionAcceptor, which owns it; CallScreen runs on the screen thread. It must never unload the
// agent while an entry point is running: ConnectionAcceptor joins the screen thread and returns
// from HdInvoke first.
#pragma once

#include <string>

#include "common/Stream.h"

namespace hd {

class AgentHost {
public:
    struct Settings {
        std::string device;  // HANDREL_DEVICE for the agent ("virtual", "linux", "x11", "wayland")
        std::string root;    // HANDREL_ROOT, the device root folder
        std::string libraryPath;  // empty: beside the program in ../lib, else the system search
    };

    explicit AgentHost(Settings settings) : m_settings(std::move(settings)) {}
    ~AgentHost() { Unload(); }
    AgentHost(const AgentHost&) = delete;
    AgentHost& operator=(const AgentHost&) = delete;

    bool Load();
    void Unload();
    bool Loaded() const { return m_module != nullptr; }

    // The entry points as the remote-API service calls them: scratch input and
    // output arguments, the stream last; the result is not used.
    void CallInvoke(IRAPIStream* stream) const { Call(m_pInvoke, stream); }
    void CallScreen(IRAPIStream* stream) const { Call(m_pScreen, stream); }

    // The agent installed with the program or built beside it; empty when neither is there.
    static std::string BesideProgram();

private:
    static void Call(StreamEntry entry, IRAPIStream* stream);
    void* OpenLibrary() const;
    void ExportEnvironment() const;

    Settings m_settings;
    void* m_module = nullptr;
    StreamEntry m_pInvoke = nullptr;
    StreamEntry m_pScreen = nullptr;
};

}  // namespace hd
