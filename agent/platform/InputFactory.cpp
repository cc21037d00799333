// The input backend chosen by device kind at agent load, and the backend
// that stands in when the device offers no input: it drops every event, so
// the key sender still reads each command's payload and the command channel
// stays in step.
#include <cerrno>
#include <cstdlib>

#include "agent/platform/Input.h"
#include "agent/platform/WaylandBackends.h"
#include "agent/platform/X11Backends.h"
#include "agent/platform/linux/LinuxInput.h"
#include "agent/platform/virtual/VirtualInput.h"
#include "common/Log.h"

namespace hd::platform {

namespace {

class NoInput : public Input {
public:
    InjectResult SendKeyboard(const KeyRecord&) override { return {0, ENODEV}; }
    bool PostCharacter(uint32_t) override { return false; }
    bool PostKeyDown(uint32_t) override { return false; }
    bool KeybdEvent(uint8_t, uint8_t, uint32_t) override { return false; }
    bool MouseEvent(uint32_t, uint32_t, uint32_t) override { return false; }
};

}  // namespace

std::unique_ptr<Input> CreateInput(const std::string& kind, InputTarget* handheld) {
    if (kind == "virtual") {
        if (handheld) return std::make_unique<VirtualInput>(*handheld);
        log::Forced("Input::Create:No virtual handheld, input is unavailable");
    } else if (kind == "linux") {
        if (auto input = LinuxInput::Open()) return input;  // it says why it failed
    } else if (kind == "x11") {
        const X11Backends* x11 = LoadX11Backends();  // says why not
        if (Input* input = x11 ? x11->input(std::getenv("DISPLAY")) : nullptr)
            return std::unique_ptr<Input>(input);
    } else if (kind == "wayland") {
        const ModuleBackends* wayland = LoadWaylandBackends();  // says why not
        if (Input* input = wayland ? wayland->input(nullptr) : nullptr)
            return std::unique_ptr<Input>(input);
    } else {
        log::Forced("Input::Create:Unknown input backend %s, input is unavailable", kind.c_str());
    }
    return std::make_unique<NoInput>();
}

}  // namespace hd::platform
