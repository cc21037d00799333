#include <gtest/gtest.h>

#include "desktop/ui/dialogs/OptionsApply.h"
#include "desktop/ui/main/Messages.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

using test::TempStore;
using K = OptionsStep::Kind;

std::vector<K> Kinds(const std::vector<OptionsStep>& steps) {
    std::vector<K> out;
    for (auto& s : steps) out.push_back(s.kind);
    return out;
}

std::vector<std::string> Messages(const std::vector<OptionsStep>& steps) {
    std::vector<std::string> out;
    for (auto& s : steps)
        if (s.kind == K::Message) out.push_back(s.text);
    return out;
}

TEST(OptionsApply, OrderAndMessages) {
    TempStore tmp;
    auto store = tmp.Open();
    OptionsResult r = ReadOptions(*store, 0, 0);

    // Nothing changed: no message, the fixed tail of steps.
    auto steps = ApplyOptions(*store, {0, 0, false, 120}, r);
    EXPECT_EQ(Kinds(steps), (std::vector<K>{K::SetDesktopLog, K::SetKeyboard, K::SetFlags,
                                            K::SetSensitivity, K::Repaint}));

    // Turbo newly on, device type changed, skin mode away from 100 %: three
    // notes in this order, the device stored but not the running one's flags.
    r.turbo = true;
    r.device = 2;
    r.viewInSkin = true;
    r.skinName = "Grey";
    r.desktopLog = true;
    steps = ApplyOptions(*store, {0, 0, false, 150}, r);
    EXPECT_EQ(Messages(steps), (std::vector<std::string>{text::kSkinZoomNote, text::kTurboNote,
                                                         text::kDeviceChanged}));
    EXPECT_EQ(Kinds(steps),
              (std::vector<K>{K::Message, K::Message, K::SetDesktopLog, K::SetKeyboard, K::Message,
                              K::SetFlags, K::SetSensitivity, K::ShowSkin, K::Repaint}));
    EXPECT_EQ(steps[2].value, 1);
    auto reread = tmp.Open();
    EXPECT_EQ(reread->Device(), 2);
    EXPECT_EQ(reread->SkinName(), "Grey");

    // Turbo already on and the same device: no notes; skin off empties the name.
    r.viewInSkin = false;
    steps = ApplyOptions(*store, {FLAG_TURBO, 2, false, 150}, r);
    EXPECT_TRUE(Messages(steps).empty());
    EXPECT_EQ(tmp.Open()->SkinName(), "");
    EXPECT_EQ(std::string(text::kTurboNote),
              "Note : You have enabled Turbo Mode.\nTurbo mode may not work properly on some "
              "devices,\nif you encounter problems the next time you Connect to your Pocket "
              "PC,\nun-check Turbo Mode in the Options dialog and try to connect again.");
}

TEST(OptionsApply, SkinSwitchWhileConnected) {
    TempStore tmp;
    auto store = tmp.Open();
    OptionsResult r = ReadOptions(*store, FLAG_SKIN, 0);
    r.viewInSkin = false;
    auto steps = ApplyOptions(*store, {FLAG_SKIN, 0, true, 100}, r);
    EXPECT_EQ(steps.front().kind, K::HideSkin);

    r.viewInSkin = true;
    r.skinName = "Blue";
    steps = ApplyOptions(*store, {0, 0, true, 100}, r);
    EXPECT_EQ(steps.front().kind, K::LoadSkin);
    EXPECT_EQ(steps.front().text, "Blue");
    EXPECT_EQ(steps.back().kind, K::Repaint);
    EXPECT_EQ(steps[steps.size() - 2].kind, K::ShowSkin);

    steps = ApplyOptions(*store, {0, 0, true, 200}, r);  // wrong zoom: disconnect, then the note
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[0].kind, K::Disconnect);
    EXPECT_EQ(steps[1].text, text::kSkinZoomNote);

    // Not connected: no skin window work at all.
    steps = ApplyOptions(*store, {0, 0, false, 100}, r);
    for (auto& s : steps) EXPECT_NE(s.kind, K::LoadSkin);
}

TEST(OptionsApply, TipsAndAutoStart) {
    TempStore tmp;
    auto store = tmp.Open();
    store->SetProgramPath("/opt/handrel/bin/handrel");
    store->SetTip(5);
    OptionsResult r = ReadOptions(*store, 0, 0);
    EXPECT_TRUE(r.tips);
    ApplyOptions(*store, {}, r);
    EXPECT_EQ(store->Tip(), 5);  // left on: keeps its place
    r.tips = false;
    ApplyOptions(*store, {}, r);
    EXPECT_EQ(store->Tip(), -1);
    r.tips = true;
    ApplyOptions(*store, {}, r);
    EXPECT_EQ(store->Tip(), 0);  // switched on again: from the first tip

    r.autoStart = true;
    ApplyOptions(*store, {}, r);
    EXPECT_EQ(store->AutoStartOnConnect(), "/opt/handrel/bin/handrel");
    EXPECT_EQ(store->AutoStartOnDisconnect(), "\"/opt/handrel/bin/handrel\" -d");
    r.autoStart = false;
    ApplyOptions(*store, {}, r);
    EXPECT_EQ(store->AutoStartOnConnect(), "");
    EXPECT_EQ(store->AutoStartOnDisconnect(), "");
}

}  // namespace
}  // namespace hd::desktop
