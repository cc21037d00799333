// ModuleLogSink: inside a backend module, the log sink that hands every line
// to the agent that loaded the module; the agent's switch decides what is
// written. Set by the module's entry point, on the thread loading the agent.
#pragma once

#include "agent/platform/BackendModule.h"
#include "common/Log.h"

namespace hd::platform {

class ModuleLogSink : public log::Sink {
public:
    void Write(bool forced, const char* text) override {
        if (m_host && (forced || m_host->enabled())) m_host->write(forced, text);
    }
    // Makes this the module's sink for the host's log.
    void Attach(const ModuleHost* host) {
        m_host = host;
        log::SetSink(this);
        // Every line reaches the sink; the agent's switch decides there.
        log::SetEnabled(true);
    }

private:
    const ModuleHost* m_host = nullptr;
};

}  // namespace hd::platform
