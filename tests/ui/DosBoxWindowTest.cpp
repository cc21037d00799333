// The Remote DOS Box window against the real agent's virtual handheld (local
// link), with a temporary desktop folder reached as a C: path.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "desktop/ui/dos/DosBoxWindow.h"
#include "desktop/ui/dos/DosConsoleEdit.h"
#include "desktop/ui/help/HelpWindow.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray Get(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A desktop folder as the console writes it: "C:\tmp\...\".
QString ConsolePath(const QString& folder) {
    return "C:" + QString(folder).replace('/', '\\') + "\\";
}

struct DosRig : test::WindowRig {
    QTemporaryDir desk;
    DosBoxWindow* box = nullptr;
    DosConsoleEdit* edit = nullptr;

    void Open() {
        MainWindow& w = WindowRig::Open();
        QDir(root.path()).mkpath("Docs");
        QDir(root.path()).mkpath("Downloads");
        Put(root.filePath("a.txt"), "device a");
        Put(root.filePath("b.txt"), "device b");
        ASSERT_TRUE(w.ConnectToDevice());
        box = w.ShowDosBox();
        ASSERT_NE(box, nullptr);
        edit = box->Console();
    }
    void Enter(const QString& line) {
        QTest::keyClicks(edit, line);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QString Text() const { return edit->toPlainText(); }
    QString LastLine() const { return edit->LastLine(); }
};

// Answers the next "already exists" question with the button named answer.
void Answer(const QString& answer, QStringList& asked) {
    test::WhenModal([answer, &asked](QWidget* m) {
        auto* box = qobject_cast<QMessageBox*>(m);
        if (!box) {
            m->close();
            return;
        }
        asked << box->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer) b->click();
    });
}

TEST(DosBoxWindow, RunsCommandsOnBothMachinesAndClosesOnExit) {
    DosRig rig;
    rig.Open();
    MainWindow& w = *rig.window;
    EXPECT_EQ(w.ShowDosBox(), rig.box);  // one box: a second use only brings it forward
    EXPECT_EQ(rig.box->windowTitle(), "Remote DOS Box");
    EXPECT_EQ(rig.Text(), "Orvenna Remote DOS Emulator\n1:\\>");
    EXPECT_EQ(rig.edit->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(rig.edit->palette().color(QPalette::Text), QColor(Qt::white));
    EXPECT_EQ(rig.edit->font().pixelSize(), 14);  // DOSFontHeight's default

    rig.Enter("dir 1:\\");
    EXPECT_TRUE(rig.Text().contains("\nDirectory of 1:\\\n"));
    EXPECT_TRUE(rig.Text().contains(QRegularExpression(" +8 a\\.txt\n")));
    EXPECT_TRUE(rig.Text().contains("<DIR>            Docs\n"));
    EXPECT_TRUE(rig.Text().contains("\t2 Files(s)\n"));
    EXPECT_EQ(rig.LastLine(), "1:\\>");

    rig.Enter("cd Docs");
    EXPECT_EQ(rig.LastLine(), "1:\\Docs\\>");
    rig.Enter("cd..");
    EXPECT_EQ(rig.LastLine(), "1:\\>");

    // Copies to the desktop: the first lands unasked, then the question is
    // answered each way.
    const QString desk = ConsolePath(rig.desk.path());
    rig.Enter("copy a.txt " + desk);
    EXPECT_EQ(Get(rig.desk.filePath("a.txt")), "device a");
    Put(rig.root.filePath("a.txt"), "device a, changed");
    QStringList asked;
    Answer("Skip", asked);
    rig.Enter("copy a.txt " + desk);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], "Destination file '" + desk + "a.txt' already exists!!");
    EXPECT_TRUE(rig.Text().contains(desk + "a.txt     Skipped!\n\t0 files(s) copied\n"));
    EXPECT_EQ(Get(rig.desk.filePath("a.txt")), "device a");
    Answer("Overwrite", asked);
    rig.Enter("copy a.txt " + desk);
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(Get(rig.desk.filePath("a.txt")), "device a, changed");
    Put(rig.desk.filePath("b.txt"), "old b");
    Put(rig.root.filePath("a.txt"), "third a");
    Answer("Overwrite All", asked);
    rig.Enter("copy *.txt " + desk);
    EXPECT_EQ(asked.size(), 3);  // one question for both files
    EXPECT_TRUE(rig.Text().endsWith("\t2 files(s) copied\n1:\\>"));
    EXPECT_EQ(Get(rig.desk.filePath("a.txt")), "third a");
    EXPECT_EQ(Get(rig.desk.filePath("b.txt")), "device b");

    rig.box->findChild<QPushButton*>("help")->click();
    ASSERT_NE(HelpWindow::Current(), nullptr);
    EXPECT_TRUE(HelpWindow::Current()->Source().toString().endsWith("/DOS.html"));
    HelpWindow::Current()->close();

    rig.Enter("cls");
    EXPECT_EQ(rig.Text(), "1:\\>");
    rig.Enter("exit");
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.DosBox() == nullptr; }, 2000));
}

TEST(DosBoxWindow, RecallsCompletesAndKeepsTheTextAbovePromptReadOnly) {
    DosRig rig;
    rig.Open();
    QDir(rig.desk.path()).mkpath("sub");
    Put(rig.desk.filePath("subfile.txt"), "x");

    // Up and Down walk the lines entered, newest first.
    rig.Enter("cd Docs");
    rig.Enter("cd \\");
    QTest::keyClick(rig.edit, Qt::Key_Up);
    EXPECT_EQ(rig.edit->InputText(), "cd \\");
    QTest::keyClick(rig.edit, Qt::Key_Up);
    QTest::keyClick(rig.edit, Qt::Key_Up);  // nothing older
    EXPECT_EQ(rig.edit->InputText(), "cd Docs");
    QTest::keyClick(rig.edit, Qt::Key_Down);
    EXPECT_EQ(rig.edit->InputText(), "cd \\");
    QTest::keyClick(rig.edit, Qt::Key_Down);
    EXPECT_EQ(rig.edit->InputText(), "");

    // Tab completes on the handheld, steps on, and back with Shift+Tab.
    QTest::keyClicks(rig.edit, "cd do");
    QTest::keyClick(rig.edit, Qt::Key_Tab);
    EXPECT_EQ(rig.edit->InputText(), "cd Docs\\");
    QTest::keyClick(rig.edit, Qt::Key_Tab);
    EXPECT_EQ(rig.edit->InputText(), "cd Downloads\\");
    QTest::keyClick(rig.edit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(rig.edit->InputText(), "cd Docs\\");
    QTest::keyClick(rig.edit, Qt::Key_Return);
    EXPECT_EQ(rig.LastLine(), "1:\\Docs\\>");
    // ... and on the desktop, folders with their backslash.
    const QString desk = ConsolePath(rig.desk.path());
    QTest::keyClicks(rig.edit, "dir " + desk + "SU");
    QTest::keyClick(rig.edit, Qt::Key_Tab);
    EXPECT_EQ(rig.edit->InputText(), "dir " + desk + "sub\\");
    QTest::keyClick(rig.edit, Qt::Key_Tab);
    EXPECT_EQ(rig.edit->InputText(), "dir " + desk + "subfile.txt");
    QTest::keyClick(rig.edit, Qt::Key_Escape);
    EXPECT_EQ(rig.edit->InputText(), "");
    EXPECT_TRUE(rig.box->isVisible());  // Escape clears the line, it never closes the box

    // Nothing above the prompt changes: deleting there does nothing, typing
    // and pasting go to the end, and a paste never runs a command.
    const QString before = rig.Text();
    QTextCursor c = rig.edit->textCursor();
    c.setPosition(3);
    rig.edit->setTextCursor(c);
    for (auto key : {Qt::Key_Backspace, Qt::Key_Delete}) QTest::keyClick(rig.edit, key);
    rig.edit->selectAll();
    QTest::keyClick(rig.edit, Qt::Key_Delete);
    QTest::keyClick(rig.edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(rig.Text(), before);
    QTest::keyClicks(rig.edit, "c");
    EXPECT_EQ(rig.Text(), before + "c");
    QGuiApplication::clipboard()->setText("ls\nexit\n");
    c.setPosition(0);
    rig.edit->setTextCursor(c);
    QTest::keyClick(rig.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(rig.Text(), before + "cls");
    for (int i = 0; i < 4; ++i) QTest::keyClick(rig.edit, Qt::Key_Backspace);
    EXPECT_EQ(rig.Text(), before);  // the prompt itself stays

    // The text keeps at most 50000 characters (line breaks counting two):
    // output pushes the oldest out, typing stops at the limit.
    for (int i = 0; i < 130; ++i) rig.Enter("help");
    EXPECT_LE(rig.edit->ConsoleLength(), 50000u);
    EXPECT_GT(rig.edit->ConsoleLength(), 48000u);
    EXPECT_FALSE(rig.Text().startsWith("Orvenna"));
    EXPECT_TRUE(rig.LastLine() == "1:\\Docs\\>");
    for (int i = 0; i < 1000; ++i) QTest::keyClick(rig.edit, Qt::Key_X);
    EXPECT_EQ(rig.edit->ConsoleLength(), 50000u);
    EXPECT_TRUE(rig.edit->InputText().startsWith("xxx"));
}

}  // namespace
}  // namespace hd::desktop
