// The factories of the handheld's own side: the interactive virtual shell
// and the key sender over the input backend for the device's kind.
#include "agent/Services.h"
#include "agent/input/KeySender.h"
#include "agent/platform/virtual/Handheld.h"
#include "agent/platform/virtual/VirtualDisplay.h"

namespace hd {

std::unique_ptr<platform::Shell> CreateVirtualShell(platform::Display& display) {
    auto* screen = dynamic_cast<platform::VirtualDisplay*>(&display);
    if (!screen) return nullptr;
    return std::make_unique<platform::Handheld>(*screen);
}

// Never null: without input on the device the key sender still reads every
// payload (over a backend that drops the events), so the channel stays in step.
std::unique_ptr<CommandHandler> CreateInputService(const DeviceContext& device) {
    auto* handheld = dynamic_cast<platform::InputTarget*>(device.shell);
    return std::make_unique<KeySender>(platform::CreateInput(device.kind, handheld));
}

}  // namespace hd
