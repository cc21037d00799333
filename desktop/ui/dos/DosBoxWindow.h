// DosBoxWindow ("Remote DOS Box"): the resizable modeless console over the
// handheld (drive 1:) and the desktop's drives. The console core runs the
// commands; this window carries the Enter key to it, asks the overwrite
// question, recalls earlier lines (Up/Down), completes paths (Tab) and shows
// the busy cursor while a command waits for the handheld. User-interface
// thread; the main window owns it and keeps at most one. It borrows the
// command channel and the settings store, which must outlive it.
#pragma once

#include <QDialog>
#include <memory>

#include "desktop/session/DesktopChannel.h"
#include "desktop/session/Settings.h"
#include "desktop/tools/dos/DosCompletion.h"
#include "desktop/tools/dos/DosConsole.h"
#include "desktop/tools/dos/DosHistory.h"
#include "desktop/tools/dos/DriveMap.h"
#include "desktop/tools/dos/RemoteDosFiles.h"

namespace hd::desktop {

class DosConsoleEdit;

class DosBoxWindow : public QDialog, private tools::DosQuestions {
    Q_OBJECT
public:
    DosBoxWindow(DesktopChannel& channel, Settings& store, tools::DriveMap drives,
                 QWidget* parent = nullptr);

    // Types the line at the prompt and presses Enter, as the user would.
    void EnterLine(const QString& line);
    DosConsoleEdit* Console() const { return m_edit; }
    const tools::DosConsole& Core() const { return m_console; }

    // The text height from the Options dialog, applied at once.
    void SetFontHeight(int height);

    // The font the box uses for a height from the settings (1..20 pixels):
    // "Courier New" where the machine has it, else the system's fixed font.
    static QFont ConsoleFont(int height);

private:
    void OnEnter();
    void OnHistory(bool older);
    void OnComplete(bool backward);
    tools::OverwriteAnswer AskOverwrite(const std::string& text) override;

    tools::RemoteDosFiles m_files;
    DosConsoleEdit* m_edit;
    tools::DosConsole m_console;
    tools::DosHistory m_history;
    tools::DosCompletion m_completion;
};

}  // namespace hd::desktop
