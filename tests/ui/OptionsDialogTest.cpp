#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>

#include "desktop/ui/dialogs/AddHostDialog.h"
#include "desktop/ui/dialogs/OptionsApply.h"
#include "desktop/ui/dialogs/OptionsDialog.h"
#include "desktop/ui/help/HelpWindow.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

using test::TempStore;

template <typename T>
T* Find(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::vector<std::string> Hosts(QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

TEST(OptionsDialog, RoundTripThroughTheStore) {
    TempStore tmp;
    {
        auto s = tmp.Open();
        s->SetConnType(1);  // TCP/IP (LAN)
        s->WriteHosts({{"10.0.0.7", "pda.local"}, false});
        s->SetKeyboard(4);  // Swiss
        s->SetBrokenSensitivity(1);
        s->SetDOSFontHeight(9);
        s->SetTip(-1);
        s->StoreFlags(FLAG_TURBO | FLAG_DEVICE_LOG);
    }
    auto store = tmp.Open();
    const uint16_t flags = store->LoadFlags();
    EXPECT_EQ(flags, FLAG_TURBO | FLAG_DEVICE_LOG | FLAG_FAST);

    OptionsDialog dlg(ReadOptions(*store, flags, 2));
    auto* type = Find<QComboBox>(dlg, "connType");
    auto* hosts = Find<QListWidget>(dlg, "hosts");
    EXPECT_EQ(type->currentText(), "TCP/IP (LAN)");
    EXPECT_EQ(Find<QComboBox>(dlg, "keyboard")->currentText(), "Swiss");
    EXPECT_EQ(Find<QComboBox>(dlg, "sensitivity")->currentText(), "Medium");
    EXPECT_EQ(Find<QComboBox>(dlg, "dosFontHeight")->currentText(), "9");
    EXPECT_TRUE(Find<QRadioButton>(dlg, "device2")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(dlg, "turbo")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(dlg, "deviceLog")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dlg, "desktopLog")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dlg, "tips")->isChecked());
    EXPECT_EQ(Hosts(hosts), (std::vector<std::string>{"10.0.0.7", "pda.local"}));

    // Edit the host list: "Add" through its own dialog, then delete the first.
    test::WhenModal([](QWidget* w) {
        ASSERT_EQ(w->objectName(), "AddIPAddress");
        w->findChild<QLineEdit*>("host")->setText("  192.168.1.20 ");
        w->findChild<QPushButton*>("add")->click();
    });
    Find<QPushButton>(dlg, "addHost")->click();
    EXPECT_FALSE(dlg.AddHost("   "));  // blank texts are not hosts
    hosts->setCurrentRow(0);
    Find<QPushButton>(dlg, "deleteHost")->click();
    EXPECT_EQ(Hosts(hosts), (std::vector<std::string>{"pda.local", "192.168.1.20"}));

    type->setCurrentIndex(3);  // TCP/IP (WAN)
    Find<QComboBox>(dlg, "keyboard")->setCurrentText("English(UK)");
    Find<QCheckBox>(dlg, "multiInst")->setChecked(true);

    auto steps = ApplyOptions(*store, {flags, 2, false, 120}, dlg.Result());
    auto reread = tmp.Open();
    EXPECT_EQ(reread->ConnType(), 3);
    EXPECT_EQ(reread->Keyboard(), 7);
    EXPECT_EQ(reread->DOSFontHeight(), 9);
    EXPECT_EQ(reread->BrokenSensitivity(), 1);
    HostList list = reread->ReadHosts();
    EXPECT_EQ(list.hosts, (std::vector<std::string>{"pda.local", "192.168.1.20"}));
    EXPECT_TRUE(list.multiInst);
    // Stored from the checkboxes only; the WAN speed bit comes back on loading.
    int id = -1;
    ASSERT_TRUE(reread->ReadNumber("Id", id));
    EXPECT_EQ(id, FLAG_TURBO | FLAG_DEVICE_LOG);
    EXPECT_EQ(reread->LoadFlags(), FLAG_TURBO | FLAG_DEVICE_LOG | FLAG_SLOW);
    auto kept = std::find_if(steps.begin(), steps.end(),
                             [](auto& s) { return s.kind == OptionsStep::SetFlags; });
    ASSERT_NE(kept, steps.end());
    EXPECT_EQ(kept->value, FLAG_TURBO | FLAG_DEVICE_LOG | FLAG_SLOW);
}

TEST(OptionsDialog, AFoundDeviceIsAddedByItsAddress) {
    OptionsResult start;
    start.connTypePosition = 2;
    start.hosts = {"pda.local"};
    std::vector<FoundDevice> found = {{"pda (virtual)", "10.0.0.9", 5493, "virtual", "240x320"}};
    OptionsDialog dlg(start, {}, nullptr, [&] { return found; });
    auto* list = Find<QListWidget>(dlg, "found");
    ASSERT_EQ(list->count(), 1);
    emit list->itemActivated(list->item(0));
    EXPECT_EQ(Hosts(Find<QListWidget>(dlg, "hosts")),
              (std::vector<std::string>{"pda.local", "10.0.0.9:5493"}));
    found.clear();
    dlg.RefreshFound();
    EXPECT_EQ(list->count(), 0);
}

TEST(OptionsDialog, EnablingRules) {
    OptionsResult start;
    start.autoStart = true;
    start.hosts = {"a"};
    OptionsDialog dlg(start);
    auto* type = Find<QComboBox>(dlg, "connType");
    auto* autoStart = Find<QCheckBox>(dlg, "autoStart");
    auto* multi = Find<QCheckBox>(dlg, "multiInst");
    QWidget* tcpOnly[] = {Find<QListWidget>(dlg, "hosts"), Find<QPushButton>(dlg, "addHost"),
                          Find<QPushButton>(dlg, "deleteHost"),
                          Find<QComboBox>(dlg, "sensitivity")};
    const bool tcp[] = {false, false, true, true};
    for (int pos : {0, 2, 1, 3, 0}) {
        type->setCurrentIndex(pos);
        for (QWidget* w : tcpOnly) EXPECT_EQ(w->isEnabled(), tcp[pos]) << pos;
    }

    EXPECT_TRUE(autoStart->isEnabled());
    EXPECT_TRUE(autoStart->isChecked());
    multi->setChecked(true);
    EXPECT_FALSE(autoStart->isEnabled());
    EXPECT_FALSE(autoStart->isChecked());
    multi->setChecked(false);
    EXPECT_TRUE(autoStart->isEnabled());
    EXPECT_FALSE(autoStart->isChecked());  // enabled again, not re-checked

    // Opening with MultiInst on: auto-start is off and cannot be switched on.
    start.multiInst = true;
    OptionsDialog again(start);
    EXPECT_FALSE(Find<QCheckBox>(again, "autoStart")->isEnabled());
    EXPECT_FALSE(again.Result().autoStart);

    // The store keeps 30 hosts; "Add" stops there.
    type->setCurrentIndex(2);
    for (int i = 0; i < 40; ++i) dlg.AddHost("h" + std::to_string(i));
    EXPECT_EQ(dlg.Result().hosts.size(), size_t(kMaxHosts));
    EXPECT_FALSE(Find<QPushButton>(dlg, "addHost")->isEnabled());
}

TEST(OptionsDialog, SkinControlsFollowTheCatalogue) {
    OptionsResult start;
    start.viewInSkin = true;  // stored on, but no skin is listed
    OptionsDialog none(start);
    auto* view = Find<QCheckBox>(none, "viewInSkin");
    EXPECT_FALSE(view->isEnabled());
    EXPECT_FALSE(view->isChecked());
    EXPECT_FALSE(Find<QComboBox>(none, "skinName")->isEnabled());
    EXPECT_FALSE(none.Result().viewInSkin);

    start.device = 1;
    start.skinName = "Blue";
    OptionsDialog some(start, [](int device) {
        return device == 1 ? std::vector<std::string>{"Grey", "Blue"} : std::vector<std::string>{};
    });
    auto* skin = Find<QCheckBox>(some, "viewInSkin");
    auto* names = Find<QComboBox>(some, "skinName");
    EXPECT_TRUE(skin->isEnabled());
    EXPECT_TRUE(skin->isChecked());
    EXPECT_TRUE(names->isEnabled());
    EXPECT_EQ(names->currentText(), "Blue");
    skin->setChecked(false);
    EXPECT_FALSE(names->isEnabled());
    skin->setChecked(true);
    Find<QRadioButton>(some, "device0")->setChecked(true);  // no skins for this type
    EXPECT_EQ(names->count(), 0);
    EXPECT_FALSE(skin->isEnabled());
    EXPECT_FALSE(names->isEnabled());
}

TEST(OptionsDialog, CodeTables) {
    TempStore tmp;
    auto store = tmp.Open();
    // Every sorted keyboard name stores its layout code.
    const char* byCode[] = {"English", "French",    "Spanish(Latin American)", "German",
                            "Swiss",   "Brazilian", "Spanish(International)",  "English(UK)"};
    for (int code = 0; code < 8; ++code) {
        OptionsDialog dlg(ReadOptions(*store, 0, 0));
        Find<QComboBox>(dlg, "keyboard")->setCurrentText(byCode[code]);
        ApplyOptions(*store, {}, dlg.Result());
        EXPECT_EQ(tmp.Open()->Keyboard(), code) << byCode[code];
        OptionsDialog shown(ReadOptions(*store, 0, 0));
        EXPECT_EQ(Find<QComboBox>(shown, "keyboard")->currentText(), byCode[code]);
    }
    store->SetKeyboard(9);  // unknown: shows and stores English
    OptionsDialog unknown(ReadOptions(*store, 0, 0));
    EXPECT_EQ(Find<QComboBox>(unknown, "keyboard")->currentText(), "English");
    ApplyOptions(*store, {}, unknown.Result());
    EXPECT_EQ(tmp.Open()->Keyboard(), 0);

    // Connection types: list name, stored code and the speed bit it adds.
    struct Row {
        const char* name;
        int code;
        uint16_t speed;
    } rows[] = {{"ActiveSync (USB/LAN)", 0, 0},
                {"ActiveSync (Serial)", 2, FLAG_SLOW},
                {"TCP/IP (LAN)", 1, FLAG_FAST},
                {"TCP/IP (WAN)", 3, FLAG_SLOW}};
    for (const Row& row : rows) {
        OptionsDialog dlg(ReadOptions(*store, 0, 0));
        Find<QComboBox>(dlg, "connType")->setCurrentText(row.name);
        auto steps = ApplyOptions(*store, {}, dlg.Result());
        auto reread = tmp.Open();
        EXPECT_EQ(reread->ConnType(), row.code) << row.name;
        EXPECT_EQ(reread->LoadFlags() & (FLAG_FAST | FLAG_SLOW), row.speed) << row.name;
        OptionsDialog shown(ReadOptions(*reread, reread->LoadFlags(), 0));
        EXPECT_EQ(Find<QComboBox>(shown, "connType")->currentText(), row.name);
    }
}

TEST(OptionsDialog, HelpOpensTheOptionsTopic) {
    OptionsDialog dlg(OptionsResult{});
    dlg.show();
    auto* buttons = dlg.findChild<QDialogButtonBox*>("buttons");
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Help)->click();
    HelpWindow* help = HelpWindow::Current();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Source(), QUrl("qrc:/help/Options.html"));
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Broken Connection Sensitivity"));
    EXPECT_TRUE(help->isVisible());
    help->close();  // deletes itself
}

}  // namespace
}  // namespace hd::desktop
