#include "agent/platform/KnownDevices.h"

#include <strings.h>

#include <string>

namespace hd::platform {

const KnownDevice* FindKnownDevice(const char* oemInfo) {
    std::string oem(oemInfo ? oemInfo : "");
    if (oem.size() > 200) oem.resize(200);
    for (const KnownDevice& d : kKnownDevices) {
        const std::string needle(d.oemText);
        for (size_t i = 0; i + needle.size() <= oem.size(); ++i)
            if (strncasecmp(oem.c_str() + i, needle.c_str(), needle.size()) == 0) return &d;
    }
    return nullptr;
}

}  // namespace hd::platform
