// libhdagent's two exports. The agent-wide objects are built when the library
// is loaded and destroyed when it is unloaded; nothing else is exported.
#include <memory>

#include "agent/Agent.h"

namespace {
std::unique_ptr<hd::Agent> g_agent;

__attribute__((constructor)) void OnLoad() {
    g_agent = hd::Agent::FromEnvironment();
}
__attribute__((destructor)) void OnUnload() {
    g_agent.reset();
}
}  // namespace

// Stream-extension signature: the first four arguments are not used; all
// traffic goes through the stream, which the caller owns.
extern "C" __attribute__((visibility("default"))) hd::HRESULT HdInvoke(uint32_t, uint8_t*,
                                                                       uint32_t*, uint8_t**,
                                                                       hd::IRAPIStream* stream) {
    return g_agent ? g_agent->Invoke(stream) : 0;
}

extern "C" __attribute__((visibility("default"))) hd::HRESULT HdScreen(uint32_t, uint8_t*,
                                                                       uint32_t*, uint8_t**,
                                                                       hd::IRAPIStream* stream) {
    return g_agent ? g_agent->Screen(stream) : 0;
}
