#include "desktop/ui/main/MainWindow.h"

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
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "common/Codes.h"
#include "common/Log.h"
#include "desktop/session/Settings.h"
#include "desktop/tools/dos/DriveMap.h"
#include "desktop/tools/explorer/DropLists.h"
#include "desktop/tools/files/RemoteFiles.h"
#include "desktop/ui/dialogs/OptionsApply.h"
#include "desktop/ui/dialogs/OptionsDialog.h"
#include "desktop/ui/dialogs/StatusDialog.h"
#include "desktop/ui/dos/DosBoxWindow.h"
#include "desktop/ui/explorer/ExplorerWindow.h"
#include "desktop/ui/explorer/TransferProgressDialog.h"
#include "desktop/ui/help/HelpWindow.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/Messages.h"
#include "desktop/ui/main/QtSessionUi.h"
#include "desktop/ui/main/ScreenRecording.h"
#include "desktop/ui/manager/ManagerSheet.h"
#include "desktop/ui/skin/SkinWindow.h"

namespace hd::desktop {

namespace {

QString SkinFailure(const std::string& name, const std::string& error) {
    return QString("The skin \"%1\" could not be loaded: %2")
        .arg(QString::fromStdString(name), QString::fromStdString(error));
}

}  // namespace

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
      m_skins(tools::SkinFolders(
          QCoreApplication::applicationDirPath().toStdString(),
          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString())),
      m_flags(store.LoadFlags()),
      m_device(store.Device()),
      m_zoom(store.Scale()),
      m_rotation(RotationFromStored(store.Orientation())) {
    setObjectName("HANDREL:MAIN");
    setWindowTitle("Handrel");
    setCentralWidget(m_view);
    m_recording = new ScreenRecording(*m_view, this);
    connect(m_recording, &ScreenRecording::failed, this, [this](const QString& message) {
        statusBar()->showMessage("Recording stopped", 5000);
        UpdateState();
        ShowMessage(message);
    });
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
    connect(m_view, &LiveView::filesDropped, this, &MainWindow::DropOnDevice);
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
    // The box borrows the session's channel: it goes first.
    delete m_dosBox;
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
    // Also in the View menu: people look for it beside Save Screen As.
    m_copyScreen = file->addAction("Copy Scree&n", QKeySequence("Ctrl+Shift+C"), this,
                                   &MainWindow::CopyScreen);
    file->addSeparator();
    m_startRecording = file->addAction("Start &Recording...", this, &MainWindow::AskStartRecording);
    m_stopRecording = file->addAction("Sto&p Recording", this, &MainWindow::StopRecording);
    file->addSeparator();
    m_print = file->addAction("&Print...", QKeySequence::Print, this, &MainWindow::AskPrint);
    m_preview = file->addAction("Print Pre&view...", this, &MainWindow::ShowPrintPreview);
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);

    QMenu* view = menuBar()->addMenu("&View");
    view->addAction(m_copyScreen);
    view->addSeparator();
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
    BuildExploreAction(tools);
    BuildToolActions(tools);
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

void MainWindow::BuildToolActions(QMenu* tools) {
    m_dosBoxAction = tools->addAction("Remote &DOS Box", this, &MainWindow::ShowDosBox);
    m_managerAction = tools->addAction("Handrel &Manager", this, &MainWindow::ShowManager);
    tools->addSeparator();
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
    const bool picture = !m_view->Shown().isNull();
    m_save->setEnabled(picture);
    m_copyScreen->setEnabled(picture);
    m_print->setEnabled(picture);
    m_preview->setEnabled(picture);
    m_startRecording->setEnabled(picture && !m_recording->Active());
    m_stopRecording->setEnabled(m_recording->Active());
    m_toDevice->setEnabled(on);
    m_fromDevice->setEnabled(on);
    m_dosBoxAction->setEnabled(on);
    m_managerAction->setEnabled(on);
    m_buttons->setEnabled(on);
    m_explore->setEnabled(on);
    const uint32_t shown = m_view->FramesShown();
    QString rate = on ? QString("%1 fps").arg(shown - m_lastShown) : QString();
    if (m_recording->Active()) rate = "Recording  " + rate;
    m_rate->setText(rate);
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
        const std::string name = m_store.SkinName();
        std::string error;
        if (!LoadSkin(name, error)) {
            LeaveSkinMode();
            DisconnectFromDevice();
            ShowMessage(SkinFailure(name, error));
            return false;
        }
    }
    m_view->SetInput(&m_session->Command());
    if (m_skin) m_skin->SetInput(&m_session->Command());
    m_view->update();
    m_view->setFocus();
    UpdateState();
    return true;
}

void MainWindow::DisconnectFromDevice() {
    m_view->SetInput(nullptr);
    if (m_skin) {
        m_skin->SetInput(nullptr);
        m_skin->hide();
    }
    m_session->Disconnect();
    m_view->SetSource(nullptr);
    m_view->Clear();
    if (m_skin && (m_flags & FLAG_SKIN) && m_skin->Loaded()) m_skin->show();
    UpdateState();
}

bool MainWindow::LoadSkin(const std::string& name, std::string& error) {
    m_skins.Scan();
    for (const auto& r : m_skins.Refused())
        log::Forced("CSkin::Load:%s: %s", r.folder.c_str(), r.reason.c_str());
    tools::SkinDescription skin;
    if (!m_skins.Choose(name, m_device, skin, error)) {
        log::Forced("CSkin::Load:%s: %s", name.c_str(), error.c_str());
        return false;
    }
    if (!m_skin) {
        m_skin = new SkinWindow(
            m_store, *m_view, [this](int b) { return AppButtonKey(b, m_device); }, this);
        m_skin->addAction(m_disconnect);
        QAction* main = new QAction("Show &Main Window", m_skin);
        connect(main, &QAction::triggered, this, &MainWindow::Activate);
        m_skin->addAction(main);
    }
    if (!m_skin->Load(skin, error)) return false;
    m_session->Receiver().SetStopTag("CSkin::Stop:");
    m_skin->SetInput(m_session->Connected() ? &m_session->Command() : nullptr);
    m_skin->show();
    m_skin->raise();
    return true;
}

void MainWindow::LeaveSkinMode() {
    m_flags &= uint16_t(~FLAG_SKIN);
    m_store.StoreFlags(uint16_t(m_flags & ~(FLAG_FAST | FLAG_SLOW)));
    m_store.SetSkinName("");
    m_session->Receiver().SetStopTag("");
    if (m_skin) m_skin->hide();
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
    m_skins.Scan();
    OptionsDialog dialog(
        ReadOptions(m_store, m_flags, m_device),
        [this](int device) { return m_skins.NamesFor(device); }, this);
    if (dialog.exec() != QDialog::Accepted) return;
    RunOptionsSteps(dialog.Result());
}

void MainWindow::RunOptionsSteps(const OptionsResult& result) {
    const OptionsState state{m_flags, m_device, m_session->Connected(), m_zoom};
    bool skinFailed = false;
    for (const OptionsStep& step : ApplyOptions(m_store, state, result)) {
        if (RunProcessStep(step)) continue;
        switch (step.kind) {
            case OptionsStep::HideSkin:
                m_session->Receiver().SetStopTag("");
                if (m_skin) m_skin->hide();
                break;
            case OptionsStep::LoadSkin: {
                std::string error;
                if (!LoadSkin(step.text, error)) {
                    skinFailed = true;
                    ShowMessage(SkinFailure(step.text, error));
                }
                break;
            }
            case OptionsStep::ShowSkin: {
                // Shown while connected, or again when it was shown before; a
                // skin chosen meanwhile takes the place of the one shown.
                if (skinFailed || (!m_session->Connected() && !m_skin)) break;
                const std::string name = m_store.SkinName();
                if (m_skin && m_skin->Loaded() && (name.empty() || m_skin->Skin().name == name)) {
                    m_skin->show();
                    break;
                }
                std::string error;
                if (!LoadSkin(name, error)) {
                    skinFailed = true;
                    ShowMessage(SkinFailure(name, error));
                }
                break;
            }
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
            default:
                break;
        }
    }
    if (m_dosBox) m_dosBox->SetFontHeight(m_store.DOSFontHeight());
    if (skinFailed) LeaveSkinMode();
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

DosBoxWindow* MainWindow::ShowDosBox() {
    if (!m_dosBox) {
        if (!m_session->Connected()) return nullptr;
        m_dosBox =
            new DosBoxWindow(m_session->Command(), m_store, tools::DriveMap::FromSystem(), this);
        m_dosBox->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_dosBox->show();
    m_dosBox->raise();
    m_dosBox->activateWindow();
    return m_dosBox;
}

DosBoxWindow* MainWindow::DosBox() const {
    return m_dosBox;
}

void MainWindow::ShowManager() {
    if (!m_session->Connected()) return;
    ManagerSheet sheet(m_session->Command(), this);
    sheet.exec();
}

QString MainWindow::OpenToolForScreenshot(const QString& name) {
    if (name == "dos") {
        DosBoxWindow* box = ShowDosBox();
        if (!box) return {};
        box->EnterLine("dir 1:\\");
        return box->objectName();
    }
    if (name == "explorer") {
        ShowExplorer();
        return m_explorer ? m_explorer->objectName() : QString();
    }
    if (name == "manager") {
        // The sheet is modal: it opens once this call has returned.
        QTimer::singleShot(0, this, &MainWindow::ShowManager);
        return "Manager";
    }
    // The skin window opens with the connection when skin mode is on.
    if (name == "skin") return m_skin ? m_skin->objectName() : QString();
    if (name == "main") return objectName();
    return {};
}

void MainWindow::BuildExploreAction(QMenu* tools) {
    m_explore = tools->addAction("&Explore...", this, &MainWindow::ShowExplorer);
    m_explore->setObjectName("explore");
    m_explore->setEnabled(false);
}

void MainWindow::ShowExplorer() {
    if (!m_session->Connected()) return;
    if (!m_explorer) {
        m_explorer = new ExplorerWindow(m_session->Command(), m_store, this);
        m_explorer->show();
    }
    if (m_explorer->isMinimized()) m_explorer->showNormal();
    m_explorer->raise();
    m_explorer->activateWindow();
}

bool MainWindow::DropOnDevice(const QStringList& paths) {
    if (!m_session->Connected()) return false;
    DesktopChannel& hc = m_session->Command();
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(p.toStdString());
    const std::vector<tools::TransferList> lists =
        tools::ListsFromPaths(hc, files, tools::TransferList::Copy);
    if (lists.empty()) return false;
    if (!tools::EnsureFolder(hc, tools::kDropFolder)) {
        ShowMessage(
            QString("The folder %1 could not be made on the Pocket PC").arg(tools::kDropFolder));
        return false;
    }
    // The same questions and progress as a Paste.
    QString summary;
    const bool done = TransferProgressDialog::RunAll(hc, lists, tools::kDropFolder, this, summary);
    statusBar()->showMessage(summary, 8000);
    if (m_explorer && m_explorer->Folder() == tools::kDropFolder) m_explorer->Refresh();
    return done;
}

void MainWindow::Activate() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    StopRecording();
    const QPoint at = pos();
    m_store.SetWindowPos(at.x(), at.y());
    if (m_session->Connected() || m_session->Receiver().Running()) DisconnectFromDevice();
    if (m_status) m_status->close();
    if (m_dosBox) m_dosBox->close();
    if (m_explorer) m_explorer->close();
    if (HelpWindow* help = HelpWindow::Current()) help->close();
    event->accept();
}

}  // namespace hd::desktop
