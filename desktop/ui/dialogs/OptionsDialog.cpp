#include "desktop/ui/dialogs/OptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/ui/dialogs/AddHostDialog.h"
#include "desktop/ui/dialogs/FoundDevicesList.h"
#include "desktop/ui/help/HelpWindow.h"

namespace hd::desktop {

namespace {

const char* kDeviceNames[] = {"iPAQ", "Cassiopeia", "Jornada", "Other"};

QCheckBox* Check(const char* name, const char* text) {
    auto* box = new QCheckBox(QString::fromUtf8(text));
    box->setObjectName(name);
    return box;
}

QComboBox* Combo(const char* name) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    return box;
}

}  // namespace

OptionsDialog::OptionsDialog(const OptionsResult& initial, SkinLister skins, QWidget* parent,
                             FoundLister found)
    : QDialog(parent), m_skins(std::move(skins)), m_foundLister(std::move(found)) {
    if (!m_skins) m_skins = [](int) { return std::vector<std::string>{}; };
    setObjectName("Options");
    setWindowTitle("Options");
    Build();
    Load(initial);
    std::string unavailable;
    if (!m_foundLister) {
        m_browser = std::make_unique<DeviceBrowser>();
        if (m_browser->Start(unavailable))
            m_foundLister = [this] { return m_browser->Devices(); };
        else
            new QListWidgetItem(QString::fromStdString(unavailable), m_found);
    }
    if (m_foundLister) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &OptionsDialog::RefreshFound);
        timer->start(500);
        RefreshFound();
    }
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::RefreshFound() {
    if (m_foundLister) ShowFoundDevices(m_found, m_foundLister());
}

void OptionsDialog::Build() {
    // General
    m_autoStart = Check("autoStart", "Start Handrel automatically when ActiveSync connects");
    m_autoConnect = Check("autoConnect", "Automatically Connect to Pocket PC");
    m_multiInst = Check("multiInst", "Allow Multiple Application Instances");
    m_keyboard = Combo("keyboard");
    for (int i = 0; i < 8; ++i) m_keyboard->addItem(KeyboardName(KeyboardSortedToCode(i)));

    auto* deviceBox = new QGroupBox("Device Type");
    auto* deviceRow = new QHBoxLayout(deviceBox);
    m_device = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(kDeviceNames[i]);
        radio->setObjectName(QString("device%1").arg(i));
        m_device->addButton(radio, i);
        deviceRow->addWidget(radio);
    }
    m_viewInSkin = Check("viewInSkin", "View in skin");
    m_skinName = Combo("skinName");
    m_tips = Check("tips", "Show helpfull Tips window on startup");
    m_turbo = Check("turbo", "Turbo Mode (This mode may not work on some Pocket PCs)");
    m_dosFont = Combo("dosFontHeight");
    for (int i = 1; i <= 20; ++i) m_dosFont->addItem(QString::number(i));

    auto* general = new QGroupBox("General");
    auto* g = new QVBoxLayout(general);
    g->addWidget(m_autoStart);
    g->addWidget(m_autoConnect);
    g->addWidget(m_multiInst);
    auto* keyboardForm = new QFormLayout;
    keyboardForm->addRow("Keyboard", m_keyboard);
    g->addLayout(keyboardForm);
    g->addWidget(deviceBox);
    auto* skinForm = new QFormLayout;
    skinForm->addRow(m_viewInSkin);
    skinForm->addRow("Skin Name", m_skinName);
    g->addLayout(skinForm);
    g->addWidget(m_tips);
    g->addWidget(m_turbo);
    auto* fontForm = new QFormLayout;
    fontForm->addRow("Remote DOS Box Font Height", m_dosFont);
    g->addLayout(fontForm);

    // Connection
    m_type = Combo("connType");
    for (int i = 0; i < 4; ++i) m_type->addItem(ConnTypeName(i));
    m_hosts = new QListWidget;
    m_hosts->setObjectName("hosts");
    m_hosts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_found = new QListWidget;
    m_found->setObjectName("found");
    m_found->setMaximumHeight(80);
    m_add = new QPushButton("Add");
    m_add->setObjectName("addHost");
    m_delete = new QPushButton("Delete");
    m_delete->setObjectName("deleteHost");
    m_sensitivity = Combo("sensitivity");
    m_sensitivity->addItems({"High", "Medium", "Low"});

    auto* connection = new QGroupBox("Connection");
    auto* c = new QVBoxLayout(connection);
    auto* typeForm = new QFormLayout;
    typeForm->addRow("Type", m_type);
    c->addLayout(typeForm);
    c->addWidget(new QLabel("Host Name/IP Addr"));
    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(m_hosts, 1);
    auto* hostButtons = new QVBoxLayout;
    hostButtons->addWidget(m_add);
    hostButtons->addWidget(m_delete);
    hostButtons->addStretch();
    hostRow->addLayout(hostButtons);
    c->addLayout(hostRow);
    c->addWidget(new QLabel("Found on the network (double-click to add)"));
    c->addWidget(m_found);
    auto* sensForm = new QFormLayout;
    sensForm->addRow("Broken Connection Sensitivity", m_sensitivity);
    c->addLayout(sensForm);

    // Logging
    m_desktopLog = Check("desktopLog", "Enable Desktop Logging (Should normally be off)");
    m_deviceLog = Check("deviceLog", "Enable Pocket PC Logging (Should normally be off)");
    auto* logging = new QGroupBox("Logging");
    auto* l = new QVBoxLayout(logging);
    l->addWidget(m_desktopLog);
    l->addWidget(m_deviceLog);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { HelpWindow::ShowTopic("Options", this); });

    auto* right = new QVBoxLayout;
    right->addWidget(connection);
    right->addWidget(logging);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(general);
    columns->addLayout(right);
    auto* top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addWidget(buttons);

    connect(m_type, &QComboBox::currentIndexChanged, this, &OptionsDialog::OnTypeChanged);
    connect(m_multiInst, &QCheckBox::toggled, this, &OptionsDialog::OnMultiInstToggled);
    connect(m_device, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) OnDeviceChanged();
    });
    connect(m_viewInSkin, &QCheckBox::toggled, this, &OptionsDialog::OnSkinToggled);
    connect(m_add, &QPushButton::clicked, this, &OptionsDialog::OnAdd);
    connect(m_found, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = FoundTarget(item);
        if (!target.isEmpty()) AddHost(target.toStdString());
    });
    connect(m_delete, &QPushButton::clicked, this, &OptionsDialog::OnDelete);
}

void OptionsDialog::Load(const OptionsResult& r) {
    m_autoStart->setChecked(r.autoStart);
    m_autoConnect->setChecked(r.autoConnect);
    m_multiInst->setChecked(r.multiInst);
    m_keyboard->setCurrentIndex(KeyboardCodeToSorted(r.keyboard));
    m_viewInSkin->setChecked(r.viewInSkin);
    {
        // The skin list follows the device type; fill it once with the stored name.
        const QSignalBlocker block(m_device);
        m_device->button(std::clamp(r.device, 0, 3))->setChecked(true);
    }
    FillSkins(r.skinName);
    m_tips->setChecked(r.tips);
    m_turbo->setChecked(r.turbo);
    m_dosFont->setCurrentIndex(std::clamp(r.dosFontHeight, 1, 20) - 1);
    for (const auto& h : r.hosts) AddHost(h);
    m_sensitivity->setCurrentIndex(std::clamp(r.sensitivity, 0, 2));
    m_desktopLog->setChecked(r.desktopLog);
    m_deviceLog->setChecked(r.deviceLog);
    {
        const QSignalBlocker block(m_type);
        m_type->setCurrentIndex(std::clamp(r.connTypePosition, 0, 3));
    }
    OnTypeChanged();
    OnMultiInstToggled();
}

OptionsResult OptionsDialog::Result() const {
    OptionsResult r;
    r.autoStart = m_autoStart->isChecked();
    r.autoConnect = m_autoConnect->isChecked();
    r.multiInst = m_multiInst->isChecked();
    r.keyboard = KeyboardSortedToCode(m_keyboard->currentIndex());
    r.device = std::max(m_device->checkedId(), 0);
    r.viewInSkin = m_viewInSkin->isChecked();
    r.skinName = m_skinName->currentIndex() >= 0 ? m_skinName->currentText().toStdString() : "";
    r.tips = m_tips->isChecked();
    r.turbo = m_turbo->isChecked();
    r.dosFontHeight = m_dosFont->currentIndex() + 1;
    r.connTypePosition = m_type->currentIndex();
    for (int i = 0; i < m_hosts->count(); ++i)
        r.hosts.push_back(m_hosts->item(i)->text().toStdString());
    r.sensitivity = m_sensitivity->currentIndex();
    r.desktopLog = m_desktopLog->isChecked();
    r.deviceLog = m_deviceLog->isChecked();
    return r;
}

bool OptionsDialog::AddHost(const std::string& host) {
    const QString text = QString::fromStdString(host).trimmed();
    if (text.isEmpty() || m_hosts->count() >= kMaxHosts) return false;
    m_hosts->addItem(text);
    OnTypeChanged();  // a full list disables "Add"
    return true;
}

void OptionsDialog::OnTypeChanged() {
    const bool tcp = m_type->currentIndex() > 1;
    m_hosts->setEnabled(tcp);
    m_found->setEnabled(tcp);
    // The store keeps at most kMaxHosts hosts; more would be dropped silently.
    m_add->setEnabled(tcp && m_hosts->count() < kMaxHosts);
    m_delete->setEnabled(tcp);
    m_sensitivity->setEnabled(tcp);
}

void OptionsDialog::OnMultiInstToggled() {
    // Several instances cannot all be started by the dock.
    if (m_multiInst->isChecked()) m_autoStart->setChecked(false);
    m_autoStart->setEnabled(!m_multiInst->isChecked());
}

void OptionsDialog::OnDeviceChanged() {
    FillSkins(m_skinName->currentText().toStdString());
}

void OptionsDialog::OnSkinToggled() {
    m_skinName->setEnabled(m_viewInSkin->isChecked() && m_skinName->count() > 0);
}

void OptionsDialog::FillSkins(const std::string& select) {
    m_skinName->clear();
    for (const auto& s : m_skins(std::max(m_device->checkedId(), 0)))
        m_skinName->addItem(QString::fromStdString(s));
    // A name that is not (or no longer) there gives way to the first skin.
    const int at = m_skinName->findText(QString::fromStdString(select));
    m_skinName->setCurrentIndex(at >= 0 ? at : (m_skinName->count() > 0 ? 0 : -1));
    // Without a skin there is no skin mode to switch on.
    const bool any = m_skinName->count() > 0;
    if (!any) m_viewInSkin->setChecked(false);
    m_viewInSkin->setEnabled(any);
    OnSkinToggled();
}

void OptionsDialog::OnAdd() {
    if (auto host = AddHostDialog::Ask(this)) AddHost(*host);
}

void OptionsDialog::OnDelete() {
    const int row = m_hosts->currentRow();
    if (row < 0 || !m_hosts->currentItem()->isSelected()) return;
    delete m_hosts->takeItem(row);
    OnTypeChanged();
}

}  // namespace hd::desktop
