// EvdevDevice (EV): a uinput device made and written through libevdev. Made at
// agent load by the Linux input backend, written on the HdInvoke thread; the
// kernel device goes away with it. It never writes an event the device was
// not made with.
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <cerrno>

#include "agent/platform/linux/UinputDevice.h"

namespace hd::platform {

namespace {

class EvdevDevice : public UinputDevice {
public:
    explicit EvdevDevice(libevdev_uinput* device) : m_device(device) {}
    ~EvdevDevice() override { libevdev_uinput_destroy(m_device); }
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    bool Write(uint16_t type, uint16_t code, int32_t value) override {
        const int r = libevdev_uinput_write_event(m_device, type, code, value);
        if (r < 0) errno = -r;
        return r == 0;
    }

private:
    libevdev_uinput* m_device;
};

}  // namespace

std::unique_ptr<UinputDevice> CreateEvdevDevice(const UinputSetup& setup) {
    libevdev* dev = libevdev_new();
    if (!dev) {
        errno = ENOMEM;
        return nullptr;
    }
    libevdev_set_name(dev, setup.name.c_str());
    libevdev_set_id_bustype(dev, BUS_VIRTUAL);
    libevdev_enable_event_type(dev, EV_KEY);
    for (uint16_t key : setup.keys) libevdev_enable_event_code(dev, EV_KEY, key, nullptr);
    if (setup.absolute) {
        input_absinfo abs{};
        abs.minimum = 0;
        abs.maximum = 65535;
        libevdev_enable_event_type(dev, EV_ABS);
        libevdev_enable_event_code(dev, EV_ABS, ABS_X, &abs);
        libevdev_enable_event_code(dev, EV_ABS, ABS_Y, &abs);
    }
    libevdev_uinput* device = nullptr;
    const int r = libevdev_uinput_create_from_device(dev, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    // The kernel device keeps its own copy of the description.
    libevdev_free(dev);
    if (r < 0) {
        errno = -r;
        return nullptr;
    }
    return std::make_unique<EvdevDevice>(device);
}

}  // namespace hd::platform
