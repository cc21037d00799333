// UinputDevice: one input device the agent has made in the kernel through
// uinput, reduced to writing events, so that the Linux input backend (LI) can
// be tested against a recorder without /dev/uinput. Used on the HdInvoke
// thread; owned by the backend. Write never blocks for long and never throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hd::platform {

class UinputDevice {
public:
    virtual ~UinputDevice() = default;
    // One input event (EV_KEY, EV_ABS, EV_SYN ...); false, with errno set,
    // when the kernel refused it.
    virtual bool Write(uint16_t type, uint16_t code, int32_t value) = 0;
};

// What a device offers.
struct UinputSetup {
    std::string name;
    std::vector<uint16_t> keys;  // KEY_* and BTN_* codes
    bool absolute = false;       // ABS_X and ABS_Y over 0..65535
};

// Makes the device through libevdev; null with errno set when uinput cannot
// be opened (no /dev/uinput, or no right to write it).
std::unique_ptr<UinputDevice> CreateEvdevDevice(const UinputSetup& setup);

}  // namespace hd::platform
