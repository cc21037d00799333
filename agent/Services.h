// The agent's services and their factories, each defined in its own file and
// called once by the composition root (Agent) when the library loads. A
// factory may return null when the device cannot offer the service; the
// command loop then treats its codes as unknown.
#pragma once

#include <memory>
#include <string>

#include "agent/CommandHandler.h"
#include "agent/platform/Display.h"
#include "agent/platform/virtual/Shell.h"

namespace hd {

// What a service may use of the device; shell is null except on the virtual
// handheld.
struct DeviceContext {
    std::string kind;  // "virtual", "linux", "x11", "wayland"
    std::string root;  // the device root folder
    platform::Display& display;
    platform::Shell* shell = nullptr;
    bool strictSearch = false;  // file searches as strict as the handheld's own
};

// The interactive virtual handheld's shell, drawing on the virtual display.
std::unique_ptr<platform::Shell> CreateVirtualShell(platform::Display& display);
// KeySender: codes 25-30 and 35.
std::unique_ptr<CommandHandler> CreateInputService(const DeviceContext& device);
// TaskList, TM, MM, SI: codes 60-62, 65, 66.
std::unique_ptr<CommandHandler> CreateTaskService(const DeviceContext& device);
// FileService: codes 100-112.
std::unique_ptr<CommandHandler> CreateFileService(const DeviceContext& device);

}  // namespace hd
