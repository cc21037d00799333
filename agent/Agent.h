// The agent's composition root: built when the library loads, it reads the
// device kind and root folder from the environment, opens the display and
// creates the agent-wide objects that every connection shares; destroyed when
// the library unloads. HdInvoke and HdScreen run on two threads at once.
#pragma once

#include <memory>
#include <string>

#include "agent/CommandLoop.h"
#include "agent/Services.h"
#include "agent/platform/Display.h"
#include "agent/screen/ScreenSender.h"
#include "common/Log.h"
#include "common/Stream.h"

namespace hd {

class Agent {
public:
    // kind: "virtual", "linux", "x11" or "wayland"; root: the device root folder.
    Agent(const std::string& kind, const std::string& root, bool strictSearch = false);
    ~Agent();

    int Invoke(IRAPIStream* stream);
    int Screen(IRAPIStream* stream);

    // From HANDREL_DEVICE / HANDREL_ROOT (and HANDREL_STRICT_PATHS), with the
    // defaults.
    static std::unique_ptr<Agent> FromEnvironment();

private:
    log::DeviceLogFile m_log;
    std::string m_kind;
    std::string m_root;
    bool m_screenExtension;  // HANDREL_SCREEN_EXTENSION
    std::unique_ptr<platform::Display> m_display;
    std::unique_ptr<platform::Shell> m_shell;
    std::unique_ptr<ScreenSender> m_sender;
    std::unique_ptr<CommandHandler> m_input;
    std::unique_ptr<CommandHandler> m_tasks;
    std::unique_ptr<CommandHandler> m_files;
};

}  // namespace hd
