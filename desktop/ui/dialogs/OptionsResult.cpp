#include "desktop/ui/dialogs/OptionsResult.h"

#include <algorithm>

namespace hd::desktop {

OptionsResult ReadOptions(Settings& store, uint16_t flags, int runningDevice) {
    OptionsResult r;
    r.autoStart = flags & FLAG_AUTOSTART;
    r.autoConnect = flags & FLAG_AUTOCONNECT;
    r.viewInSkin = flags & FLAG_SKIN;
    r.turbo = flags & FLAG_TURBO;
    r.desktopLog = flags & FLAG_DESKTOP_LOG;
    r.deviceLog = flags & FLAG_DEVICE_LOG;
    HostList hosts = store.ReadHosts();
    r.hosts = hosts.hosts;
    r.multiInst = hosts.multiInst;
    // Through the code table and back, so an unknown code shows (and stays) English.
    r.keyboard = KeyboardSortedToCode(KeyboardCodeToSorted(store.Keyboard()));
    r.device = std::clamp(runningDevice, 0, 3);
    r.skinName = store.SkinName();
    r.tips = store.Tip() >= 0;
    r.dosFontHeight = store.DOSFontHeight();
    r.connTypePosition = ConnTypeCodeToPosition(store.ConnType());
    r.sensitivity = store.BrokenSensitivity();
    return r;
}

uint16_t CheckboxFlags(const OptionsResult& r) {
    uint16_t f = 0;
    if (r.autoStart) f |= FLAG_AUTOSTART;
    if (r.autoConnect) f |= FLAG_AUTOCONNECT;
    if (r.desktopLog) f |= FLAG_DESKTOP_LOG;
    if (r.deviceLog) f |= FLAG_DEVICE_LOG;
    if (r.viewInSkin) f |= FLAG_SKIN;
    if (r.turbo) f |= FLAG_TURBO;
    return f;
}

}  // namespace hd::desktop
