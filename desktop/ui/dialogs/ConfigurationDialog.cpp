#include "desktop/ui/dialogs/ConfigurationDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/session/Settings.h"
#include "desktop/ui/main/Messages.h"

namespace hd::desktop {

bool NeedsConfiguration(Settings& store) {
    return store.Version() != kVersionText;
}

ConfigurationDialog::ConfigurationDialog(Settings& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_device(new QButtonGroup(this)), m_keyboard(new QComboBox) {
    setObjectName("Configuration");
    setWindowTitle("Configuration");

    auto* deviceBox = new QGroupBox("Select the type of Pocket PC you are using");
    auto* deviceRow = new QHBoxLayout(deviceBox);
    const char* names[] = {"iPAQ", "Cassiopeia", "Jornada", "Other"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(names[i]);
        radio->setObjectName(QString("device%1").arg(i));
        m_device->addButton(radio, i);
        deviceRow->addWidget(radio);
    }
    m_device->button(store.Device())->setChecked(true);

    auto* keyboardBox = new QGroupBox("Select the type of Keyboard you are using");
    auto* keyboardRow = new QVBoxLayout(keyboardBox);
    m_keyboard->setObjectName("keyboard");
    for (int i = 0; i < 8; ++i) m_keyboard->addItem(KeyboardName(KeyboardSortedToCode(i)));
    m_keyboard->setCurrentIndex(KeyboardCodeToSorted(store.Keyboard()));
    keyboardRow->addWidget(m_keyboard);

    auto* tip = new QLabel(text::kConfigurationTip);
    tip->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(deviceBox);
    layout->addWidget(keyboardBox);
    layout->addWidget(tip);
    layout->addWidget(buttons);
}

int ConfigurationDialog::Device() const {
    return std::max(m_device->checkedId(), 0);
}

int ConfigurationDialog::Keyboard() const {
    return KeyboardSortedToCode(m_keyboard->currentIndex());
}

void ConfigurationDialog::done(int result) {
    m_store.SetDevice(Device());
    m_store.SetKeyboard(Keyboard());
    m_store.SetVersion(kVersionText);
    QDialog::done(result);
}

bool ConfigurationDialog::RunIfNeeded(Settings& store, QWidget* parent) {
    if (!NeedsConfiguration(store)) return false;
    ConfigurationDialog dialog(store, parent);
    dialog.exec();
    return true;
}

}  // namespace hd::desktop
