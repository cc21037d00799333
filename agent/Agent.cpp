#include "agent/Agent.h"

#include <cstdlib>

#include "common/ByteOrder.h"
#include "common/Channel.h"
#include "common/ExtendedUpdate.h"
#include "common/Paths.h"

namespace hd {

Agent::Agent(const std::string& kind, const std::string& root, bool strictSearch)
    : m_log(root.empty() ? std::string("hdagent.log") : root + "/hdagent.log"),
      m_kind(kind),
      m_root(root),
      m_screenExtension(ScreenExtensionAllowedByEnvironment()) {
    log::SetSink(&m_log);
    log::SetEnabled(false);
    m_display = platform::CreateDisplay(m_kind);
    if (!m_display && m_kind != "virtual") {
        // Only the screen falls back: input, tasks and files stay the device's own.
        log::Forced("Agent::Load:Error opening the %s display, showing the virtual screen",
                    m_kind.c_str());
        m_display = platform::CreateDisplay("virtual");
    }
    if (m_kind == "virtual") m_shell = CreateVirtualShell(*m_display);
    m_sender = std::make_unique<ScreenSender>(*m_display);
    m_display->SetChangeListener([sender = m_sender.get()] { sender->WakeForScreenChange(); });
    const DeviceContext device{m_kind, m_root, *m_display, m_shell.get(), strictSearch};
    m_input = CreateInputService(device);
    m_tasks = CreateTaskService(device);
    m_files = CreateFileService(device);
}

// Stopped and destroyed in the reverse order of their making.
Agent::~Agent() {
    m_display->SetChangeListener({});  // before the sender it calls goes
    m_files.reset();
    m_tasks.reset();
    m_input.reset();
    m_sender.reset();
    m_shell.reset();
    m_display.reset();
    log::SetSink(nullptr);
}

std::unique_ptr<Agent> Agent::FromEnvironment() {
    const char* kind = std::getenv("HANDREL_DEVICE");
    const char* root = std::getenv("HANDREL_ROOT");
    std::string rootDir = root && *root ? std::string(root) : DefaultDeviceRoot();
    MakeFolders(rootDir);
    // HANDREL_STRICT_PATHS=1: file searches answer as strictly as a real
    // handheld's, so that a desktop can be checked against one.
    const char* strict = std::getenv("HANDREL_STRICT_PATHS");
    return std::make_unique<Agent>(kind && *kind ? kind : "virtual", rootDir,
                                   strict && std::string(strict) == "1");
}

int Agent::Invoke(IRAPIStream* stream) {
    CommandLoop loop(*m_sender, Handlers{m_input.get(), m_tasks.get(), m_files.get()},
                     m_screenExtension);
    return loop.Run(stream);
}

int Agent::Screen(IRAPIStream* stream) {
    log::Log("PS:Entering");
    Channel channel(stream);
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
