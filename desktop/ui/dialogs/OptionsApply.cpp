#include "desktop/ui/dialogs/OptionsApply.h"

#include "common/Log.h"
#include "common/SocketStream.h"
#include "desktop/ui/main/Messages.h"

namespace hd::desktop {

std::vector<OptionsStep> ApplyOptions(Settings& store, const OptionsState& state,
                                      const OptionsResult& r) {
    std::vector<OptionsStep> steps;
    auto add = [&](OptionsStep::Kind k, int value = 0, std::string text = {}) {
        steps.push_back({k, value, std::move(text)});
    };
    const bool skinBefore = state.flags & FLAG_SKIN;

    // 1. A running connection follows the skin switch at once.
    if (state.connected && skinBefore != r.viewInSkin) {
        if (!r.viewInSkin) {
            add(OptionsStep::HideSkin);
        } else if (state.zoom == 100) {
            store.SetSkinName(r.skinName);
            add(OptionsStep::LoadSkin, 0, r.skinName);
        } else {
            add(OptionsStep::Disconnect);
        }
    }
    // 2, 3. The notes.
    if (r.viewInSkin && state.zoom != 100) add(OptionsStep::Message, 0, text::kSkinZoomNote);
    if (r.turbo && !(state.flags & FLAG_TURBO)) add(OptionsStep::Message, 0, text::kTurboNote);

    // 4. The word from the checkboxes only; the speed bit comes back in step 7.
    const uint16_t flags = CheckboxFlags(r);
    add(OptionsStep::SetDesktopLog, (flags & FLAG_DESKTOP_LOG) ? 1 : 0);
    if (!r.viewInSkin)
        store.SetSkinName("");
    else if (!r.skinName.empty())
        store.SetSkinName(r.skinName);

    // 5.
    store.StoreFlags(flags);
    store.SetKeyboard(r.keyboard);
    add(OptionsStep::SetKeyboard, r.keyboard);
    store.SetDOSFontHeight(r.dosFontHeight);

    // 6. The running program keeps its device type until the next start.
    if (r.device != state.device) {
        add(OptionsStep::Message, 0, text::kDeviceChanged);
        store.SetDevice(r.device);
    }

    // 7.
    store.SetConnType(ConnTypePositionToCode(r.connTypePosition));
    add(OptionsStep::SetFlags, store.LoadFlags());
    store.WriteHosts(HostList{r.hosts, r.multiInst});
    store.SetBrokenSensitivity(r.sensitivity);
    add(OptionsStep::SetSensitivity, r.sensitivity);

    // 8. A tip index of 0 or more means tips are on; switching on starts again
    // from the first tip, leaving them on keeps the place.
    const int tip = store.Tip();
    if (r.tips && tip < 0)
        store.SetTip(0);
    else if (!r.tips && tip >= 0)
        store.SetTip(-1);

    // 9.
    if (r.viewInSkin) add(OptionsStep::ShowSkin);
    add(OptionsStep::Repaint);
    return steps;
}

bool RunProcessStep(const OptionsStep& step) {
    switch (step.kind) {
        case OptionsStep::SetDesktopLog:
            log::SetEnabled(step.value != 0);
            return true;
        case OptionsStep::SetSensitivity:
            SocketStream::SetSensitivity(step.value);
            return true;
        default:
            return false;
    }
}

}  // namespace hd::desktop
