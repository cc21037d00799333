// The "Configuration" dialog shown once at program start when the stored
// `Version` is not this program's ("2.17"): the device type and the keyboard
// layout. On closing (however it is closed) it stores `Device`, `Keyboard` and
// `Version`, so it is not asked again. User-interface thread; modal.
#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;

namespace hd::desktop {

class Settings;

// True when the stored `Version` differs from "2.17", absent included.
bool NeedsConfiguration(Settings& store);

class ConfigurationDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConfigurationDialog(Settings& store, QWidget* parent = nullptr);
    void done(int result) override;

    int Device() const;
    int Keyboard() const;  // stored layout code

    // Shows the dialog when NeedsConfiguration says so; true when it was shown.
    static bool RunIfNeeded(Settings& store, QWidget* parent = nullptr);

private:
    Settings& m_store;
    QButtonGroup* m_device;
    QComboBox* m_keyboard;
};

}  // namespace hd::desktop
