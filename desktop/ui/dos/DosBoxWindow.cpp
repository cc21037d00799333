#include "desktop/ui/dos/DosBoxWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/tools/dos/DosLine.h"
#include "desktop/ui/dos/DosConsoleEdit.h"
#include "desktop/ui/help/HelpWindow.h"
#include "desktop/ui/main/BusyCursor.h"

namespace hd::desktop {

QFont DosBoxWindow::ConsoleFont(int height) {
    QFont font = QFontDatabase::families().contains("Courier New")
                     ? QFont("Courier New")
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::Normal);
    font.setPixelSize(height);
    return font;
}

DosBoxWindow::DosBoxWindow(DesktopChannel& channel, Settings& store, tools::DriveMap drives,
                           QWidget* parent)
    : QDialog(parent),
      m_files(channel, std::move(drives)),
      m_edit(new DosConsoleEdit(this)),
      m_console(m_files, store, *this, *m_edit),
      m_completion(m_files, [this](char drive) { return m_console.Remembered(drive); }) {
    setObjectName("DosBox");
    setWindowTitle("Remote DOS Box");
    setModal(false);
    setSizeGripEnabled(true);
    SetFontHeight(store.DOSFontHeight());

    auto* help = new QPushButton("Help");
    auto* close = new QPushButton("Close");
    help->setObjectName("help");
    close->setObjectName("close");
    // Enter belongs to the console, never to a default button.
    for (QPushButton* b : {help, close}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    connect(help, &QPushButton::clicked, this, [this] { HelpWindow::ShowTopic("DOS", this); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 12, 15, 12);
    layout->addWidget(m_edit, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(m_edit, &DosConsoleEdit::enterPressed, this, &DosBoxWindow::OnEnter);
    connect(m_edit, &DosConsoleEdit::historyRequested, this, &DosBoxWindow::OnHistory);
    connect(m_edit, &DosConsoleEdit::completionRequested, this, &DosBoxWindow::OnComplete);

    m_console.Start();
    m_edit->MarkInputStart();
}

void DosBoxWindow::SetFontHeight(int height) {
    m_edit->setFont(ConsoleFont(height));
}

void DosBoxWindow::EnterLine(const QString& line) {
    m_edit->SetInputText(line);
    OnEnter();
}

void DosBoxWindow::OnEnter() {
    // Enter always ends the command line behind the last prompt: the text
    // above it is history, not something to run or split.
    const std::string line = m_edit->LastLine().toStdString();
    m_edit->Insert("\r\n");
    m_history.Add(tools::dos::CommandLineOf(line));
    m_completion.Reset();
    tools::DosDecision d;
    {
        BusyCursor busy;
        d = m_console.Enter(line);
    }
    if (d.close) {
        close();
        return;
    }
    m_edit->MarkInputStart();
}

void DosBoxWindow::OnHistory(bool older) {
    std::string line;
    if (older ? m_history.Older(line) : m_history.Newer(line))
        m_edit->SetInputText(QString::fromStdString(line));
}

void DosBoxWindow::OnComplete(bool backward) {
    std::string completed;
    bool found = false;
    {
        BusyCursor busy;
        found = m_completion.Complete(m_edit->InputText().toStdString(), m_console.Current(),
                                      backward, completed);
    }
    if (found) m_edit->SetInputText(QString::fromStdString(completed));
}

tools::OverwriteAnswer DosBoxWindow::AskOverwrite(const std::string& text) {
    QMessageBox box(QMessageBox::Question, "Remote DOS Box", QString::fromStdString(text),
                    QMessageBox::NoButton, this);
    box.setObjectName("overwrite");
    QPushButton* overwrite = box.addButton("Overwrite", QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton("Skip", QMessageBox::RejectRole);
    QPushButton* all = box.addButton("Overwrite All", QMessageBox::YesRole);
    box.setDefaultButton(overwrite);
    box.setEscapeButton(skip);  // closing the question never replaces a file
    // The question stands between requests: no busy cursor over it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    if (box.clickedButton() == all) return tools::OverwriteAnswer::OverwriteAll;
    if (box.clickedButton() == overwrite) return tools::OverwriteAnswer::Overwrite;
    return tools::OverwriteAnswer::Skip;
}

}  // namespace hd::desktop
