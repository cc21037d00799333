// DosConsoleEdit: the console text of the Remote DOS Box, white on black.
// It is the console core's sink (output goes to the end, the oldest text
// drops out past 50000 characters, line breaks counting two as "\r\n" do)
// and guards the user's editing with DosInputRules, so only the command line
// behind the last prompt can change. Enter, Up/Down, Tab and Escape become
// signals and actions for the box. User-interface thread; owned by the box.
#pragma once

#include <QPlainTextEdit>

#include "desktop/tools/dos/DosInputRules.h"
#include "desktop/tools/dos/DosSink.h"

namespace hd::desktop {

class DosConsoleEdit : public QPlainTextEdit, public tools::DosSink {
    Q_OBJECT
public:
    static constexpr size_t kLimit = 50000;

    explicit DosConsoleEdit(QWidget* parent = nullptr);

    // DosSink: the console's output.
    void MakeRoom(size_t n) override;
    void Insert(std::string_view text) override;
    void Clear() override;

    // The text's length as the console counts it ("\r\n" line breaks).
    size_t ConsoleLength() const;
    // The command line starts at the end of the text as it is now.
    void MarkInputStart();
    int InputStart() const { return m_inputStart; }
    // The last line, prompt included, and the command line behind the prompt.
    QString LastLine() const;
    QString InputText() const;
    // Replaces the command line (history, completion) and puts the caret at the end.
    void SetInputText(const QString& text);
    // The caret to the end of the text.
    void MoveToEnd();

signals:
    void enterPressed();
    void historyRequested(bool older);
    void completionRequested(bool backward);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    tools::EditVerdict Judge(tools::EditKind kind, size_t count = 0) const;
    // Inserts typed or pasted text where the rules allow it.
    void TypeText(const QString& text);
    void DropFront(size_t n);
    void DeleteWordBack();

    int m_inputStart = 0;
};

}  // namespace hd::desktop
