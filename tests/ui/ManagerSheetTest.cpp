// The Handrel Manager against the real agent's virtual handheld (local link):
// the rows, the three buttons that act on the handheld, the details dialog
// and the System Information page.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/ui/manager/ApplicationsPage.h"
#include "desktop/ui/manager/ManagerListModel.h"
#include "desktop/ui/manager/ManagerListView.h"
#include "desktop/ui/manager/ManagerSheet.h"
#include "desktop/ui/manager/ProcessDetailsDialog.h"
#include "desktop/ui/manager/SystemInfoPage.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

// The row of the tasks list showing a process; -1 when none does.
int RowOf(const ManagerListView& list, const QString& exe) {
    for (int r = 0; r < list.model()->rowCount(); ++r)
        if (list.Text(r, 0) == exe) return r;
    return -1;
}

void Select(ManagerListView& list, int row) {
    list.setCurrentIndex(list.model()->index(row, 0));
}

// The screen below the title bar, whose clock changes on its own.
QImage Body(LiveView& view) {
    const QImage p = view.Picture();
    return p.copy(0, test::kTitleBar, p.width(), p.height() - test::kTitleBar);
}

// Clicks a button of the page and answers the message box it opens;
// returns the box's text ("" when none came).
QString ClickAndAnswer(QWidget& page, const char* button, QWidget* sheet,
                       QMessageBox::StandardButton answer = QMessageBox::Ok) {
    QString said;
    test::WhenModal(
        [&](QWidget* m) {
            auto* box = qobject_cast<QMessageBox*>(m);
            if (!box) return;
            said = box->text();
            if (QAbstractButton* b = box->button(answer))
                b->click();
            else
                box->close();
        },
        sheet);
    page.findChild<QPushButton*>(button)->click();
    return said;
}

TEST(ManagerSheet, ListsActivatesKillsAndShowsDetails) {
    test::WindowRig rig;
    MainWindow& w = rig.Open();
    QAction* manager = nullptr;
    for (QAction* a : w.menuBar()->actions()[2]->menu()->actions())
        if (a->text() == "Handrel &Manager") manager = a;
    ASSERT_NE(manager, nullptr);
    EXPECT_FALSE(manager->isEnabled());
    ASSERT_TRUE(w.ConnectToDevice());
    EXPECT_TRUE(manager->isEnabled());

    // The pictures of calc and of notes in front, from the application buttons.
    w.PressAppButton(3);
    ASSERT_TRUE(test::WaitForChangeBelowTitle(rig.View()));
    QTest::qWait(200);
    const QImage calcInFront = Body(rig.View());
    w.PressAppButton(1);
    ASSERT_TRUE(test::WaitForChangeBelowTitle(rig.View()));

    ManagerSheet sheet(w.CurrentSession().Command(), &w);
    sheet.show();
    EXPECT_EQ(sheet.windowTitle(), "Handrel Manager");
    EXPECT_EQ(sheet.Pages()->tabText(0), "Applications");
    EXPECT_EQ(sheet.Pages()->tabText(1), "System Information");
    ApplicationsPage& page = *sheet.Applications();
    ManagerListView& list = *page.List();
    QAbstractItemModelTester tester(&list.Model());

    // The rows are the tasks the handheld reports, in its order.
    tools::RemoteTaskList fresh;
    fresh.SetConnection(&w.CurrentSession().Command());
    ASSERT_TRUE(fresh.Pulltsklist());
    ASSERT_EQ(list.model()->rowCount(), fresh.Count());
    for (int i = 0; i < fresh.Count(); ++i) {
        const tools::TaskRow row = tools::FormatTask(i, fresh.Task(i));
        EXPECT_EQ(list.Text(i, 0).toStdString(), row.process);
        EXPECT_EQ(list.Text(i, 1).toStdString(), row.window);
    }
    EXPECT_TRUE(list.Model().isConsistent());
    EXPECT_EQ(list.Text(RowOf(list, "nk.exe"), 1), "[Background Process]");

    // With no row selected the buttons only say so.
    EXPECT_EQ(ClickAndAnswer(page, "activate", &sheet), tools::kNoApplicationSelected);
    EXPECT_EQ(ClickAndAnswer(page, "killprocess", &sheet), tools::kNoApplicationSelected);
    EXPECT_EQ(ClickAndAnswer(page, "details", &sheet), tools::kNoProcessSelected);

    // Activate brings calc to the front, as its application button did.
    Select(list, RowOf(list, "calc.exe"));
    page.findChild<QPushButton*>("activate")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Body(rig.View()) == calcInFront; }, 3000));

    // Details lists the threads and modules of notes.
    Select(list, RowOf(list, "notes.exe"));
    int threads = -1;
    QStringList modules;
    QString name, pid;
    test::WhenModal(
        [&](QWidget* m) {
            if (auto* d = qobject_cast<ProcessDetailsDialog*>(m)) {
                threads = d->Threads()->model()->rowCount();
                for (int r = 0; r < d->Modules()->model()->rowCount(); ++r)
                    modules << d->Modules()->Text(r, 0);
                name = d->findChild<QLabel*>("name")->text();
                pid = d->findChild<QLabel*>("pid")->text();
                EXPECT_TRUE(d->Threads()->Model().isConsistent());
                EXPECT_TRUE(d->Modules()->Model().isConsistent());
            }
            m->close();
        },
        &sheet);
    page.findChild<QPushButton*>("details")->click();
    EXPECT_EQ(name, "notes.exe");
    EXPECT_TRUE(pid.startsWith("0x"));
    EXPECT_GE(threads, 1);
    EXPECT_TRUE(modules.contains("coredll.dll"));

    // Kill asks first: No sends nothing, Yes removes the row.
    const int rows = list.model()->rowCount();
    Select(list, RowOf(list, "calc.exe"));
    EXPECT_EQ(ClickAndAnswer(page, "killprocess", &sheet, QMessageBox::No), tools::kKillQuestion);
    EXPECT_EQ(list.model()->rowCount(), rows);
    EXPECT_EQ(ClickAndAnswer(page, "killprocess", &sheet, QMessageBox::Yes), tools::kKillQuestion);
    EXPECT_EQ(list.model()->rowCount(), rows - 1);
    EXPECT_EQ(RowOf(list, "calc.exe"), -1);
    EXPECT_TRUE(list.Model().isConsistent());

    // The System Information page reads the record when it comes to the front.
    SystemInfoPage& info = *sheet.SystemInfo();
    EXPECT_EQ(info.Value("Processor")->text(), "");
    sheet.Pages()->setCurrentIndex(1);
    EXPECT_EQ(info.Value("Processor")->text(), "1 X Intel Strongarm");
    EXPECT_TRUE(info.Value("Screen")->text().startsWith("240 X 320, "));
    EXPECT_TRUE(info.Value("Physical", "Total")->text().contains("Mb)"));
    EXPECT_TRUE(info.Value("Remaining", "Primary")->text().endsWith(" %"));
    sheet.close();
    w.DisconnectFromDevice();
    EXPECT_FALSE(manager->isEnabled());
}

TEST(ManagerSheet, AProcessThatEndedShowsEmptyDetailsAndKeepsTheConnection) {
    test::WindowRig rig;
    MainWindow& w = rig.Open();
    ASSERT_TRUE(w.ConnectToDevice());
    ManagerSheet sheet(w.CurrentSession().Command(), &w);
    sheet.show();
    ManagerListView& list = *sheet.Applications()->List();
    const int calc = RowOf(list, "calc.exe");
    ASSERT_GE(calc, 0);
    Select(list, calc);

    // calc ends behind the sheet's back (another desktop, the user).
    tools::RemoteTaskList other;
    other.SetConnection(&w.CurrentSession().Command());
    ASSERT_TRUE(other.Pulltsklist());
    ASSERT_TRUE(other.Kill(calc));

    int threads = -1, modules = -1;
    test::WhenModal(
        [&](QWidget* m) {
            if (auto* d = qobject_cast<ProcessDetailsDialog*>(m)) {
                threads = d->Threads()->model()->rowCount();
                modules = d->Modules()->model()->rowCount();
            }
            m->close();
        },
        &sheet);
    sheet.Applications()->Details();
    EXPECT_EQ(threads, 0);
    EXPECT_EQ(modules, 0);
    EXPECT_EQ(RowOf(list, "calc.exe"), -1);  // the rows were read again
    EXPECT_TRUE(w.CurrentSession().Connected());
    ASSERT_TRUE(other.Pulltsklist());  // the handheld still answers
}

}  // namespace
}  // namespace hd::desktop
