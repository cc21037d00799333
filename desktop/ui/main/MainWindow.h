// MainWindow ("HANDREL:MAIN"): the main frame. It owns the session (command
// channel, receiver), the live view and the session's dialogs, runs the
// Connect and Disconnect sequences from its File menu, keeps zoom, rotation,
// window position and AutoCopy in the settings store, applies the Options
// dialog and moves clipboard text both ways. User-interface thread only;
// owned by the program's start-up code. It never runs a Disconnect from
// another thread: the receiver's request arrives as a queued call.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <memory>

#include "desktop/session/Session.h"
#include "desktop/tools/skins/SkinCatalog.h"
#include "desktop/ui/main/QtClipboard.h"
#include "desktop/ui/main/ViewGeometry.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPrinter;
class QTimer;
class QToolBar;

namespace hd::desktop {

class DosBoxWindow;
class ExplorerWindow;
class LiveView;
class QtSessionUi;
class ScreenRecording;
class Settings;
class SkinWindow;
class StatusDialog;
struct OptionsResult;

// The handheld type whose fifth application button sends 0xCF, not 0xC5.
constexpr int kDeviceWithAltFifthButton = 2;  // Jornada
// The key an application button (1..5) sends on the given device type.
uint8_t AppButtonKey(int button, int device);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Settings& store, LinkOptions link, QWidget* parent = nullptr);
    ~MainWindow() override;

    Session& CurrentSession() { return *m_session; }
    LiveView* View() const { return m_view; }
    QtSessionUi* SessionInterface() const { return m_ui; }
    // The skin window once a skin has been loaded, else null.
    SkinWindow* Skin() const { return m_skin; }
    const tools::SkinCatalog& Skins() const { return m_skins; }
    int Zoom() const { return m_zoom; }
    Rotation CurrentRotation() const { return m_rotation; }
    uint16_t Flags() const { return m_flags; }
    // What the status bar says: "Connected" or "Disconnected".
    QString StateText() const;

public slots:
    // The Connect and Disconnect sequences (File menu, auto-connect, the
    // receiver's request).
    bool ConnectToDevice();
    void DisconnectFromDevice();
    void SetZoom(int percent);
    void SetRotation(Rotation rotation);
    void PressAppButton(int button);
    // Desktop clipboard text to the handheld and back; false when it failed.
    bool CopyToDevice(bool quiet = false);
    bool CopyFromDevice();
    void SetAutoCopy(bool on);
    void ShowOptions();
    void ShowStatus();
    // Tools: the one Remote DOS Box (a second use brings it to the front)
    // and the modal Handrel Manager; both need a connection.
    DosBoxWindow* ShowDosBox();
    void ShowManager();
    // Opens a tool window for a screenshot without waiting for it ("explorer";
    // "dos": the DOS box after "dir 1:"; "manager": the Applications page) and
    // returns the object name of the window to grab; "" for an unknown name.
    QString OpenToolForScreenshot(const QString& name);
    DosBoxWindow* DosBox() const;
    // Tools > Explore...: opens the explorer, or gives the open one the focus.
    void ShowExplorer();
    // Copies desktop files dropped on the live view into the handheld's
    // "1:\My Documents" (made when missing); false when nothing was copied.
    bool DropOnDevice(const QStringList& paths);
    bool SaveScreen(const QString& file);
    // The screen as an image on the desktop clipboard; false without one.
    bool CopyScreen();
    // Recording the screen into a video file (.avi, .mkv, .mp4); false
    // with a message shown.
    bool StartRecording(const QString& file);
    bool StopRecording();
    bool Recording() const;
    // The screen on one page of the printer; false with a message shown.
    bool PrintScreenTo(QPrinter& printer);
    // Brings the window to the front (a second start asked for it).
    void Activate();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolActions(QMenu* tools);
    void BuildToolBar();
    void BuildExploreAction(QMenu* tools);
    void UpdateState();
    void Fit();
    void OnClipboardChanged();
    void SaveScreenAs();
    void AskStartRecording();
    void AskPrint();
    void ShowPrintPreview();
    void ShowMessage(const QString& text);
    void RunOptionsSteps(const OptionsResult& result);
    // Loads the named skin (the first for the device type when empty) into
    // the skin window and shows it; false with the reason.
    bool LoadSkin(const std::string& name, std::string& error);
    // Skin mode cannot go on: flag 0x4000 and `SkinName` are cleared.
    void LeaveSkinMode();

    Settings& m_store;
    QtSessionUi* m_ui;
    std::unique_ptr<Session> m_session;
    LiveView* m_view;
    tools::SkinCatalog m_skins;
    SkinWindow* m_skin = nullptr;
    QtClipboard m_clipboard;
    bool m_settingClipboard = false;  // our own change must not be sent back

    uint16_t m_flags;
    const int m_device;  // the device type read at start (a change waits for the next)
    int m_zoom;
    Rotation m_rotation;

    QAction* m_connect = nullptr;
    QAction* m_disconnect = nullptr;
    QAction* m_save = nullptr;
    QAction* m_copyScreen = nullptr;
    QAction* m_startRecording = nullptr;
    QAction* m_stopRecording = nullptr;
    QAction* m_print = nullptr;
    QAction* m_preview = nullptr;
    ScreenRecording* m_recording = nullptr;
    QAction* m_toDevice = nullptr;
    QAction* m_fromDevice = nullptr;
    QAction* m_autoCopy = nullptr;
    QAction* m_onTop = nullptr;
    QAction* m_dosBoxAction = nullptr;
    QAction* m_managerAction = nullptr;
    QPointer<DosBoxWindow> m_dosBox;
    QActionGroup* m_zooms = nullptr;
    QActionGroup* m_rotations = nullptr;
    QToolBar* m_buttons = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_rate = nullptr;
    QTimer* m_tick = nullptr;
    StatusDialog* m_status = nullptr;
    QAction* m_explore = nullptr;
    QPointer<ExplorerWindow> m_explorer;
    uint32_t m_lastShown = 0;
};

}  // namespace hd::desktop
