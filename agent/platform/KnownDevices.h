// Devices whose display memory sits at a fixed address and needs no library:
// found by a case-insensitive search of the OEM text.
#pragma once

#include <cstdint>
#include <span>

namespace hd::platform {

struct KnownDevice {
    const char* oemText;
    const char* logName;
    uint32_t width;
    uint32_t height;
    uint32_t format;
    int32_t xPitch;  // in pixels
    int32_t yPitch;  // in pixels
    uint32_t address;
};

inline constexpr KnownDevice kKnownDevices[] = {
    {"h3800", "h3800", 240, 320, 0xA8, -320, 1, 0xAC0755A0},
    {"jornada 720", "jornada 720", 640, 240, 0xA0, 1, 640, 0xA2400000},
    {"j670", "j670 i.e. Cassiopeia E-125", 240, 320, 0xA0, 1, 256, 0xAA200000},
};

// The known device named in the OEM text (first 200 characters), or null.
const KnownDevice* FindKnownDevice(const char* oemInfo);

}  // namespace hd::platform
