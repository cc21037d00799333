#include "desktop/ui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "common/Codes.h"
#include "common/Log.h"
#include "desktop/session/Settings.h"
#include "desktop/tools/RemoteFiles.h"
#include "desktop/ui/HelpWindow.h"
#include "desktop/ui/LiveView.h"
#include "desktop/ui/Messages.h"
#include "desktop/ui/OptionsApply.h"
#include "desktop/ui/OptionsDialog.h"
#include "desktop/ui/QtSessionUi.h"
#include "desktop/ui/StatusDialog.h"

namespace hd::desktop {

uint8_t AppButtonKey(int button, int device) {
    if (button == 5 && device == kDeviceWithAltFifthButton) return 0xCF;
    return uint8_t(0xC0 + button);
}

MainWindow::MainWindow(Settings& store, LinkOptions link, QWidget* parent)
    : QMainWindow(parent),
      m_store(store),
      m_ui(new QtSessionUi(this)),
      m_session(std::make_unique<Session>(store, *m_ui, std::move(link))),
      m_view(new LiveView(this)),
      m_flags(store.LoadFlags()),
      m_device(store.Device()),
      m_zoom(store.Scale()),
      m_rotation(RotationFromStored(store.Orientation())) {
    setObjectName("HANDREL:MAIN");
    setWindowTitle("Handrel");
    setCentralWidget(m_view);
    m_view->SetZoom(m_zoom);
    m_view->SetRotation(m_rotation);
    m_view->SetKeyboardLayout(store.Keyboard());
    BuildMenus();
    BuildToolBar();

    m_state = new QLabel(this);
    m_state->setObjectName("state");
    m_rate = new QLabel(this);
    m_rate->setObjectName("frameRate");
    statusBar()->addWidget(m_state, 1);
    statusBar()->addPermanentWidget(m_rate);
    statusBar()->setSizeGripEnabled(false);

    // The window always fits the view exactly.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_view, &LiveView::sizeChanged, this, &MainWindow::Fit);
    connect(m_ui, &QtSessionUi::disconnectRequested, this, &MainWindow::DisconnectFromDevice);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &MainWindow::OnClipboardChanged);

    m_tick = new QTimer(this);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, &MainWindow::UpdateState);
    m_tick->start();

    int x = 0, y = 0;
    store.WindowPos(x, y);
    move(x, y);
    UpdateState();
}

MainWindow::~MainWindow() {
    // The receiver must stop before the view it paints into goes.
    if (m_session->Connected() || m_session->Receiver().Running()) DisconnectFromDevice();
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    m_connect =
        file->addAction("&Connect", QKeySequence("Ctrl+N"), this, &MainWindow::ConnectToDevice);
    m_disconnect = file->addAction("&Disconnect", QKeySequence("Ctrl+D"), this,
                                   &MainWindow::DisconnectFromDevice);
    file->addSeparator();
    m_save = file->addAction("&Save Screen As...", this, &MainWindow::SaveScreenAs);
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);

    QMenu* view = menuBar()->addMenu("&View");
    QMenu* zoom = view->addMenu("&Zoom");
    m_zooms = new QActionGroup(this);
    for (int z : kZooms) {
        QAction* a = zoom->addAction(QString("%1 %").arg(z), this, [this, z] { SetZoom(z); });
        a->setCheckable(true);
        a->setChecked(z == m_zoom);
        a->setData(z);
        m_zooms->addAction(a);
    }
    view->addSeparator();
    m_rotations = new QActionGroup(this);
    const std::pair<const char*, Rotation> rotations[] = {
        {"&Portrait", Rotation::Portrait},
        {"Landscape (C&W)", Rotation::LandscapeCW},
        {"Landscape (CC&W)", Rotation::LandscapeCCW}};
    for (const auto& [name, r] : rotations) {
        QAction* a = view->addAction(name, this, [this, r = r] { SetRotation(r); });
        a->setCheckable(true);
        a->setChecked(r == m_rotation);
        a->setData(int(r));
        m_rotations->addAction(a);
    }
    view->addSeparator();
    m_onTop = view->addAction("Always on &Top", this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });
    m_onTop->setCheckable(true);

    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->addAction("&Options...", this, &MainWindow::ShowOptions);
    tools->addAction("&Status...", this, &MainWindow::ShowStatus);

    QMenu* clip = menuBar()->addMenu("&Clipboard");
    m_toDevice =
        clip->addAction("Copy Desktop Clipboard to &Pocket PC", this, [this] { CopyToDevice(); });
    m_fromDevice =
        clip->addAction("Copy Pocket PC Clipboard to &Desktop", this, &MainWindow::CopyFromDevice);
    clip->addSeparator();
    m_autoCopy = clip->addAction("&AutoCopy", this, &MainWindow::SetAutoCopy);
    m_autoCopy->setCheckable(true);
    m_autoCopy->setChecked(m_store.AutoCopy());

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Help Topics", QKeySequence::HelpContents, this,
                    [this] { HelpWindow::ShowTopic("index", this); });
    help->addAction("&About Handrel", this, [this] {
        QMessageBox::about(this, "About Handrel",
                           QString("Handrel %1\nThe handheld's screen, keys and files on the "
                                   "desktop.")
                               .arg(kVersionText));
    });
}

void MainWindow::BuildToolBar() {
    m_buttons = addToolBar("Application buttons");
    m_buttons->setObjectName("appButtons");
    m_buttons->setMovable(false);
    m_buttons->setFloatable(false);
    for (int b = 1; b <= 5; ++b) {
        QAction* a =
            m_buttons->addAction(QString::number(b), this, [this, b] { PressAppButton(b); });
        a->setShortcut(QKeySequence(QString("Ctrl+%1").arg(b)));
        a->setToolTip(QString("Application button %1 (Ctrl+%1)").arg(b));
        a->setObjectName(QString("appButton%1").arg(b));
    }
}

QString MainWindow::StateText() const {
    return m_session->Connected() ? "Connected" : "Disconnected";
}

void MainWindow::UpdateState() {
    const bool on = m_session->Connected();
    m_state->setText(StateText());
    m_connect->setEnabled(!on);
    m_disconnect->setEnabled(on);
    m_save->setEnabled(!m_view->Picture().isNull());
    m_toDevice->setEnabled(on);
    m_fromDevice->setEnabled(on);
    m_buttons->setEnabled(on);
    const uint32_t shown = m_view->FramesShown();
    m_rate->setText(on ? QString("%1 fps").arg(shown - m_lastShown) : QString());
    m_lastShown = shown;
}

void MainWindow::Fit() {
    adjustSize();
}

bool MainWindow::ConnectToDevice() {
    if (m_session->Connected()) return true;
    if ((m_flags & FLAG_SKIN) && m_zoom != 100) {
        ShowMessage(text::kSkinZoomConnect);
        return false;
    }
    // The view takes frames from the receiver as soon as it starts.
    m_view->SetSource(&m_session->Receiver());
    if (!m_session->Connect(m_view)) {
        m_view->SetSource(nullptr);
        UpdateState();
        return false;
    }
    if (m_flags & FLAG_SKIN) {
        // This build has no skins, so loading one fails: skin mode is
        // switched off in the store and the connection ends.
        log::Forced("MainWindow::Connect:Error loading skin");
        m_flags &= uint16_t(~FLAG_SKIN);
        m_store.StoreFlags(uint16_t(m_flags & ~(FLAG_FAST | FLAG_SLOW)));
        m_store.SetSkinName("");
        DisconnectFromDevice();
        return false;
    }
    m_view->SetInput(&m_session->Command());
    m_view->update();
    m_view->setFocus();
    UpdateState();
    return true;
}

void MainWindow::DisconnectFromDevice() {
    m_view->SetInput(nullptr);
    m_session->Disconnect();
    m_view->SetSource(nullptr);
    m_view->Clear();
    UpdateState();
}

void MainWindow::SetZoom(int percent) {
    m_zoom = percent;
    m_store.SetScale(percent);
    for (QAction* a : m_zooms->actions()) a->setChecked(a->data().toInt() == percent);
    m_view->SetZoom(percent);
}

void MainWindow::SetRotation(Rotation rotation) {
    m_rotation = rotation;
    m_store.SetOrientation(StoredOrientation(rotation));
    for (QAction* a : m_rotations->actions()) a->setChecked(a->data().toInt() == int(rotation));
    m_view->SetRotation(rotation);
}

void MainWindow::PressAppButton(int button) {
    if (!m_session->Connected() || button < 1 || button > 5) return;
    m_session->Command().SendAppButton(AppButtonKey(button, m_device));
}

void MainWindow::ShowMessage(const QString& text) {
    m_ui->ShowMessage(text.toStdString());
}

void MainWindow::SaveScreenAs() {
    const QString file =
        QFileDialog::getSaveFileName(this, "Save Screen As", "handheld.png", "PNG images (*.png)");
    if (file.isEmpty()) return;
    if (!SaveScreen(file)) ShowMessage(QString("The screen could not be saved to %1").arg(file));
}

bool MainWindow::SaveScreen(const QString& file) {
    const QImage picture = m_view->Picture();
    if (picture.isNull()) return false;
    if (!picture.save(file, "PNG")) {
        log::Forced("MainWindow::SaveScreen:Error writing %s", file.toLocal8Bit().constData());
        return false;
    }
    return true;
}

bool MainWindow::CopyToDevice(bool quiet) {
    if (!m_session->Connected()) return false;
    bool accepted = false;
    if (tools::RemoteFiles::SetClipText(m_session->Command(), m_clipboard, accepted) && accepted)
        return true;
    if (!quiet) ShowMessage("The desktop clipboard text could not be copied to the Pocket PC");
    return false;
}

bool MainWindow::CopyFromDevice() {
    if (!m_session->Connected()) return false;
    bool got = false;
    m_settingClipboard = true;
    const bool done = tools::RemoteFiles::GetClipText(m_session->Command(), m_clipboard, got);
    m_settingClipboard = false;
    if (!done) {
        ShowMessage("The Pocket PC clipboard text could not be copied to the desktop");
        return false;
    }
    if (!got) statusBar()->showMessage("The Pocket PC clipboard holds no text", 3000);
    return got;
}

void MainWindow::SetAutoCopy(bool on) {
    m_store.SetAutoCopy(on);
    m_autoCopy->setChecked(on);
}

void MainWindow::OnClipboardChanged() {
    // Text that came from the handheld is not sent straight back.
    if (m_settingClipboard || !m_autoCopy->isChecked() || !m_session->Connected()) return;
    CopyToDevice(true);
}

void MainWindow::ShowOptions() {
    OptionsDialog dialog(ReadOptions(m_store, m_flags, m_device), {}, this);
    if (dialog.exec() != QDialog::Accepted) return;
    RunOptionsSteps(dialog.Result());
}

void MainWindow::RunOptionsSteps(const OptionsResult& result) {
    const OptionsState state{m_flags, m_device, m_session->Connected(), m_zoom};
    for (const OptionsStep& step : ApplyOptions(m_store, state, result)) {
        if (RunProcessStep(step)) continue;
        switch (step.kind) {
            case OptionsStep::Disconnect:
                DisconnectFromDevice();
                break;
            case OptionsStep::Message:
                ShowMessage(QString::fromStdString(step.text));
                break;
            case OptionsStep::SetKeyboard:
                m_view->SetKeyboardLayout(step.value);
                break;
            case OptionsStep::SetFlags:
                m_flags = uint16_t(step.value);
                break;
            case OptionsStep::Repaint:
                m_view->update();
                break;
            case OptionsStep::LoadSkin:
                log::Forced("MainWindow::Options:Error loading skin %s", step.text.c_str());
                break;
            default:  // the skin window's steps: this build has no skin window
                break;
        }
    }
    UpdateState();
}

void MainWindow::ShowStatus() {
    if (!m_status) {
        m_status = new StatusDialog(
            [this] { return TakeSnapshot(m_session->Manager(), m_session->Connected()); }, this);
    }
    m_status->show();
    m_status->raise();
    m_status->activateWindow();
}

void MainWindow::Activate() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const QPoint at = pos();
    m_store.SetWindowPos(at.x(), at.y());
    if (m_session->Connected() || m_session->Receiver().Running()) DisconnectFromDevice();
    if (m_status) m_status->close();
    if (HelpWindow* help = HelpWindow::Current()) help->close();
    event->accept();
}

}  // namespace hd::desktop
