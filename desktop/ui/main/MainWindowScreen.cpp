// The main window's commands that take the screen out of the program:
// Copy Screen, recording, printing. Kept apart from MainWindow.cpp, which
// runs the session.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

#include "desktop/media/VideoFileWriter.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"
#include "desktop/ui/main/ScreenPrinter.h"
#include "desktop/ui/main/ScreenRecording.h"

namespace hd::desktop {

bool MainWindow::CopyScreen() {
    const QImage picture = m_view->Picture();
    if (picture.isNull()) return false;
    // Our own change: AutoCopy must not send it to the handheld.
    m_settingClipboard = true;
    QGuiApplication::clipboard()->setImage(picture);
    m_settingClipboard = false;
    statusBar()->showMessage("The screen is on the clipboard", 3000);
    return true;
}

void MainWindow::AskStartRecording() {
    QString selected;
    QString file = QFileDialog::getSaveFileName(
        this, "Start Recording", "handheld.avi",
        "AVI video (*.avi);;Matroska video (*.mkv);;MP4 video (*.mp4)", &selected);
    if (file.isEmpty()) return;
    // A name without a video type takes the one of the chosen filter.
    if (!media::VideoFileWriter::Supported(file.toStdString()))
        file += selected.contains("mkv") ? ".mkv" : selected.contains("mp4") ? ".mp4" : ".avi";
    StartRecording(file);
}

bool MainWindow::StartRecording(const QString& file) {
    QString error;
    const bool ok = m_recording->Start(file, error);
    if (!ok) ShowMessage(QString("The recording could not start: %1").arg(error));
    UpdateState();
    return ok;
}

bool MainWindow::StopRecording() {
    if (!m_recording->Active()) return false;
    QString error;
    const bool ok = m_recording->Stop(error);
    if (ok)
        statusBar()->showMessage(QString("Recording saved to %1 (%2 frames)")
                                     .arg(m_recording->File())
                                     .arg(m_recording->Frames()),
                                 5000);
    else
        ShowMessage(QString("The recording could not be finished: %1").arg(error));
    UpdateState();
    return ok;
}

bool MainWindow::Recording() const {
    return m_recording->Active();
}

bool MainWindow::PrintScreenTo(QPrinter& printer) {
    QString error;
    if (PrintScreen(m_view->Picture(), printer, error)) {
        statusBar()->showMessage("The screen has been printed", 3000);
        return true;
    }
    statusBar()->showMessage("Printing failed", 5000);
    ShowMessage(QString("The screen could not be printed: %1").arg(error));
    return false;
}

void MainWindow::AskPrint() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) PrintScreenTo(printer);
}

void MainWindow::ShowPrintPreview() {
    QPrinter printer;
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) {
        QString error;
        if (!PrintScreen(m_view->Picture(), *p, error))
            statusBar()->showMessage("Print preview failed: " + error, 5000);
    });
    preview.exec();
}

}  // namespace hd::desktop
