// Placeholders until each service lands in its own file; remove a function
// here when its real factory is added.
#include "agent/Services.h"

namespace hd {

std::unique_ptr<platform::Shell> CreateVirtualShell(platform::Display&) {
    return nullptr;
}
std::unique_ptr<CommandHandler> CreateInputService(const DeviceContext&) {
    return nullptr;
}
std::unique_ptr<CommandHandler> CreateTaskService(const DeviceContext&) {
    return nullptr;
}
std::unique_ptr<CommandHandler> CreateFileService(const DeviceContext&) {
    return nullptr;
}

}  // namespace hd
