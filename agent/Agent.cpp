#include "agent/Agent.h"

#include <cstdlib>

#include "common/ByteOrder.h"
#include "common/HC.h"
#include "common/Paths.h"

namespace hd {

Agent::Agent(const std::string& kind, const std::string& root)
    : m_log(root.empty() ? std::string("hdagent.log") : root + "/hdagent.log") {
    log::SetSink(&m_log);
    log::SetEnabled(false);
    m_display = platform::CreateDisplay(kind);
    if (!m_display && kind != "virtual") {
        log::Forced("Agent::Load:Error opening the %s display, using the virtual handheld",
                    kind.c_str());
        m_display = platform::CreateDisplay("virtual");
    }
    m_sender = std::make_unique<CSender>(*m_display);
}

Agent::~Agent() {
    m_sender.reset();
    m_display.reset();
    log::SetSink(nullptr);
}

std::unique_ptr<Agent> Agent::FromEnvironment() {
    const char* kind = std::getenv("HANDREL_DEVICE");
    const char* root = std::getenv("HANDREL_ROOT");
    std::string rootDir = root && *root ? std::string(root) : DefaultDeviceRoot();
    MakeFolders(rootDir);
    return std::make_unique<Agent>(kind && *kind ? kind : "virtual", rootDir);
}

int Agent::Invoke(IRAPIStream* stream) {
    PI loop(*m_sender, Handlers{});
    return loop.Run(stream);
}

int Agent::Screen(IRAPIStream* stream) {
    log::Log("PS:Entering");
    HC channel(stream);
    uint8_t b[4];
    if (channel.ReadFully(b, 4) != READ_DONE) {
        log::Log("PS:Error reading freq");
        return 0;
    }
    const uint32_t interval = get_be32(b);
    log::Log("PS:Received freq=%d", int(interval));
    m_sender->Start(interval, channel);
    log::Log("PS:Returned from Start");
    log::Log("PS:Exiting");
    return 0;
}

}  // namespace hd
