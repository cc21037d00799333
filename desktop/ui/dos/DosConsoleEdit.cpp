#include "desktop/ui/dos/DosConsoleEdit.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBlock>
#include <algorithm>

namespace hd::desktop {

namespace {

// Pasted text up to its first line break: a paste never runs a command.
QString FirstLine(QString text) {
    const qsizetype cut = text.indexOf(QRegularExpression("[\r\n]"));
    if (cut >= 0) text.truncate(cut);
    return text;
}

bool Printable(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c.category() == QChar::Other_Control) return false;
    return true;
}

}  // namespace

DosConsoleEdit::DosConsoleEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("console");
    // Undo would take back output, and a drop could land above the prompt.
    setUndoRedoEnabled(false);
    setAcceptDrops(false);
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Highlight, Qt::white);
    p.setColor(QPalette::HighlightedText, Qt::black);
    setPalette(p);
}

size_t DosConsoleEdit::ConsoleLength() const {
    const QTextDocument* d = document();
    return size_t(d->characterCount() - 1 + d->blockCount() - 1);
}

void DosConsoleEdit::DropFront(size_t n) {
    size_t counted = 0;
    int cut = 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        const size_t text = size_t(b.length() - 1);
        if (counted + text >= n || !b.next().isValid()) {
            cut = b.position() + int(std::min(n - counted, text));
            break;
        }
        counted += text + 2;
        cut = b.next().position();
        if (counted >= n) break;  // the cut fell inside a line break: take all of it
    }
    QTextCursor c(document());
    c.setPosition(cut, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    m_inputStart = std::max(0, m_inputStart - cut);
}

void DosConsoleEdit::MakeRoom(size_t n) {
    if (ConsoleLength() + n > kLimit - 1) DropFront(n);
}

void DosConsoleEdit::Insert(std::string_view text) {
    setFocus();
    QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    s.remove('\r');
    MoveToEnd();
    textCursor().insertText(s);
    // An insertion larger than the room made for it still never grows the
    // text past the limit.
    if (const size_t length = ConsoleLength(); length > kLimit) DropFront(length - kLimit);
    MoveToEnd();
}

void DosConsoleEdit::Clear() {
    clear();
    m_inputStart = 0;
}

void DosConsoleEdit::MarkInputStart() {
    m_inputStart = document()->characterCount() - 1;
    MoveToEnd();
}

void DosConsoleEdit::MoveToEnd() {
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::End);
    setTextCursor(c);
    ensureCursorVisible();
}

QString DosConsoleEdit::LastLine() const {
    return document()->lastBlock().text();
}

QString DosConsoleEdit::InputText() const {
    QTextCursor c(document());
    c.setPosition(m_inputStart);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    return c.selectedText();
}

void DosConsoleEdit::SetInputText(const QString& text) {
    QTextCursor c(document());
    c.setPosition(m_inputStart);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    // Over the limit the recalled line is cut, as typing it would stop.
    const size_t room =
        kLimit - std::min(kLimit, ConsoleLength() - size_t(c.selectedText().size()));
    c.insertText(text.left(qsizetype(room)));
    MoveToEnd();
}

tools::EditVerdict DosConsoleEdit::Judge(tools::EditKind kind, size_t count) const {
    const QTextCursor c = textCursor();
    const tools::EditState s{size_t(m_inputStart), ConsoleLength(), size_t(c.selectionStart()),
                             size_t(c.selectionEnd())};
    return tools::JudgeEdit(kind, s, count, kLimit);
}

void DosConsoleEdit::TypeText(const QString& text) {
    if (text.isEmpty()) return;
    switch (Judge(tools::EditKind::Insert, size_t(text.size()))) {
        case tools::EditVerdict::Refuse:
            return;
        case tools::EditVerdict::MoveToEnd:
            MoveToEnd();
            break;
        case tools::EditVerdict::Allow:
            break;
    }
    textCursor().insertText(text);
    ensureCursorVisible();
}

void DosConsoleEdit::DeleteWordBack() {
    if (Judge(tools::EditKind::Backspace) != tools::EditVerdict::Allow) return;
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        c.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
        if (c.selectionStart() < m_inputStart) c.setPosition(m_inputStart, QTextCursor::KeepAnchor);
    }
    c.removeSelectedText();
}

void DosConsoleEdit::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && mods == Qt::NoModifier) {
        emit historyRequested(key == Qt::Key_Up);
        return;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        emit completionRequested(key == Qt::Key_Backtab || (mods & Qt::ShiftModifier));
        return;
    }
    if (key == Qt::Key_Escape) {  // clears the command line, as consoles do
        SetInputText({});
        return;
    }
    if (key == Qt::Key_Home && textCursor().position() >= m_inputStart &&
        !(mods & Qt::ControlModifier)) {
        QTextCursor c = textCursor();
        c.setPosition(m_inputStart,
                      mods & Qt::ShiftModifier ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
        setTextCursor(c);
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    if (e->matches(QKeySequence::DeleteStartOfWord)) {
        DeleteWordBack();
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        if (textCursor().hasSelection() &&
            Judge(tools::EditKind::Delete) == tools::EditVerdict::Allow)
            cut();
        return;
    }
    if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo) ||
        e->matches(QKeySequence::DeleteCompleteLine))
        return;
    if (key == Qt::Key_Backspace) {
        if (Judge(tools::EditKind::Backspace) == tools::EditVerdict::Allow)
            QPlainTextEdit::keyPressEvent(e);
        return;
    }
    if (key == Qt::Key_Delete || e->matches(QKeySequence::DeleteEndOfWord) ||
        e->matches(QKeySequence::DeleteEndOfLine)) {
        if (Judge(tools::EditKind::Delete) == tools::EditVerdict::Allow)
            QPlainTextEdit::keyPressEvent(e);
        return;
    }
    if (!(mods & (Qt::ControlModifier | Qt::MetaModifier)) && Printable(e->text())) {
        TypeText(e->text());
        return;
    }
    // Moving the caret, selecting and copying are free everywhere.
    QPlainTextEdit::keyPressEvent(e);
}

void DosConsoleEdit::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText()) TypeText(FirstLine(source->text()));
}

void DosConsoleEdit::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = e->commitString();
    if (!commit.isEmpty() || !e->preeditString().isEmpty()) {
        const tools::EditVerdict v = Judge(tools::EditKind::Insert, size_t(commit.size()));
        if (v == tools::EditVerdict::Refuse) return;
        if (v == tools::EditVerdict::MoveToEnd) MoveToEnd();
    }
    QPlainTextEdit::inputMethodEvent(e);
}

void DosConsoleEdit::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction("&Copy", this, &QPlainTextEdit::copy);
    copyAction->setEnabled(textCursor().hasSelection());
    menu.addAction("&Paste", this, &QPlainTextEdit::paste)->setEnabled(canPaste());
    menu.addSeparator();
    menu.addAction("Select &All", this, &QPlainTextEdit::selectAll);
    menu.exec(e->globalPos());
}

}  // namespace hd::desktop
