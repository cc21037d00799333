// The "Options" dialog: every setting the user edits, in the groups General,
// Connection and Logging, with the enabling rules between them. It starts from
// an OptionsResult and returns one on OK; ApplyOptions does the rest. Lives on
// the user-interface thread, owned by whoever opens it; it never writes the
// settings store itself (Cancel must change nothing).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/session/DeviceBrowser.h"
#include "desktop/ui/dialogs/OptionsResult.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

namespace hd::desktop {

// The names of the skins available for a device type (the skin catalogue's
// answer); without one the list is empty.
using SkinLister = std::function<std::vector<std::string>(int device)>;
// The devices found on the network now.
using FoundLister = std::function<std::vector<FoundDevice>()>;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // Without found, the dialog browses the network itself; the devices found
    // are listed under the hosts, and activating one adds its ADDRESS:PORT.
    explicit OptionsDialog(const OptionsResult& initial, SkinLister skins = {},
                           QWidget* parent = nullptr, FoundLister found = {});
    ~OptionsDialog() override;

    // The values shown now (what OK returns); hosts in display order.
    OptionsResult Result() const;

    // Appends a host as "Add" does: false for an empty text or a full list.
    bool AddHost(const std::string& host);
    // Brings the list of devices found up to date (its timer's work).
    void RefreshFound();

private:
    void Build();
    void Load(const OptionsResult& r);
    void OnTypeChanged();
    void OnMultiInstToggled();
    void OnDeviceChanged();
    void OnSkinToggled();
    void OnAdd();
    void OnDelete();
    void FillSkins(const std::string& select);

    SkinLister m_skins;
    QCheckBox* m_autoStart = nullptr;
    QCheckBox* m_autoConnect = nullptr;
    QCheckBox* m_multiInst = nullptr;
    QComboBox* m_keyboard = nullptr;
    QButtonGroup* m_device = nullptr;
    QCheckBox* m_viewInSkin = nullptr;
    QComboBox* m_skinName = nullptr;
    QCheckBox* m_tips = nullptr;
    QCheckBox* m_turbo = nullptr;
    QComboBox* m_dosFont = nullptr;
    QComboBox* m_type = nullptr;
    QListWidget* m_hosts = nullptr;
    QListWidget* m_found = nullptr;
    std::unique_ptr<DeviceBrowser> m_browser;
    FoundLister m_foundLister;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QComboBox* m_sensitivity = nullptr;
    QCheckBox* m_desktopLog = nullptr;
    QCheckBox* m_deviceLog = nullptr;
};

}  // namespace hd::desktop
