// The explorer window over the real agent's virtual handheld (the built-in
// link): its tree and list, rename and new folder, Paste, Delete and Cancel
// through the transfer engine, and drops on the list and the live view.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/ui/explorer/ExplorerWindow.h"
#include "desktop/ui/explorer/FileListModel.h"
#include "desktop/ui/explorer/FolderTreeModel.h"
#include "desktop/ui/explorer/TransferProgressDialog.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

namespace fs = std::filesystem;

void Spill(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// A drag that enters the widget and drops there, as the window system
// delivers it; true when both were accepted.
bool DragAndDrop(QWidget* target, QPoint at, QMimeData& data) {
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

// Runs fn on the replace question once it is up (the progress window,
// modal too, comes first).
void WhenReplaceAsked(std::function<void(QWidget*)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, fn] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool asked = modal && modal->objectName() == "ReplaceDialog";
        if (asked || ++*tries > 1000) {
            timer->stop();
            timer->deleteLater();
            if (asked) fn(modal);
        }
    });
    timer->start();
}

// The main window's rig, with a desktop folder and the explorer's models
// under the model tester.
struct Rig : test::WindowRig {
    QTemporaryDir desk;
    std::unique_ptr<QAbstractItemModelTester> listTester, treeTester;

    ExplorerWindow* Explorer() {
        window->findChild<QAction*>("explore")->trigger();
        ExplorerWindow* e = window->findChild<ExplorerWindow*>();
        if (e && !listTester) {
            using Mode = QAbstractItemModelTester::FailureReportingMode;
            listTester = std::make_unique<QAbstractItemModelTester>(e->ListModel(), Mode::Fatal);
            treeTester = std::make_unique<QAbstractItemModelTester>(e->TreeModel(), Mode::Fatal);
        }
        return e;
    }
    std::string Dev(const std::string& rel) const { return root.path().toStdString() + "/" + rel; }
    std::string Desk(const std::string& rel = "") const {
        return desk.path().toStdString() + (rel.empty() ? "" : "/" + rel);
    }
};

std::string Rows(const FileListModel& m) {
    std::string s;
    for (int i = 0; i < m.rowCount(); ++i) s += (i ? " " : "") + m.Row(i).name;
    return s;
}

// Answers the next modal window (a dialog of ours or a message box) with fn.
void Answer(std::function<void(QWidget*)> fn, QWidget* notThis = nullptr) {
    test::WhenModal(std::move(fn), notThis);
}

TEST(Explorer, OneWindowWithTheTreeAndListOfBothMachines) {
    Rig rig;
    MainWindow& w = rig.Open();
    QAction* explore = w.findChild<QAction*>("explore");
    ASSERT_TRUE(explore);
    EXPECT_FALSE(explore->isEnabled());  // only while connected
    fs::create_directories(rig.Dev("Deep/Inner"));
    fs::create_directories(rig.Dev("Docs"));
    Spill(rig.Dev("Docs/only.txt"), "files only");
    Spill(rig.Dev("b.txt"), "bee");
    ASSERT_TRUE(w.ConnectToDevice());
    EXPECT_TRUE(explore->isEnabled());

    ExplorerWindow* e = rig.Explorer();
    ASSERT_TRUE(e);
    rig.Explorer();  // a second use focuses the same window
    EXPECT_EQ(w.findChildren<ExplorerWindow*>().size(), 1);
    EXPECT_EQ(e->windowTitle(), "Handrel Explore - 1:\\");
    FolderTreeModel& tree = *e->TreeModel();
    ASSERT_GE(tree.rowCount(), 2);
    EXPECT_EQ(tree.index(0, 0).data().toString(), "/");
    const QModelIndex device = tree.RootIndex("1:\\");
    EXPECT_EQ(device.row(), tree.rowCount() - 1);  // the handheld last
    EXPECT_TRUE(tree.isConsistent());

    // Its list: folders first, then files, types by the desktop's names.
    FileListModel& list = *e->ListModel();
    std::string names = Rows(list);
    // The device root may hold folders of its own; ours are there in order.
    EXPECT_LT(names.find("Deep"), names.find("Docs"));
    EXPECT_LT(names.find("Docs"), names.find("b.txt"));
    EXPECT_EQ(list.Row(list.RowOf("Docs")).type, "File Folder");
    EXPECT_TRUE(list.isConsistent());

    // Expansion: Deep shows a button (it has a subfolder), Docs none, and
    // expanding Docs is refused.
    e->TreeView()->expand(device);
    const QModelIndex deep = tree.FindChild(device, "Deep");
    const QModelIndex docs = tree.FindChild(device, "Docs");
    ASSERT_TRUE(deep.isValid() && docs.isValid());
    EXPECT_TRUE(tree.IsPlaceholder(tree.index(0, 0, deep)));
    EXPECT_EQ(tree.rowCount(docs), 0);
    e->TreeView()->expand(docs);
    EXPECT_FALSE(e->TreeView()->isExpanded(docs));
    EXPECT_TRUE(tree.isConsistent());

    // Header clicks: one toggle, kept in the settings.
    e->SortBy(tools::kColumnName);
    const std::string ascending = Rows(list);
    e->SortBy(tools::kColumnName);
    const std::string descending = Rows(list);
    EXPECT_NE(ascending, descending);
    EXPECT_LT(descending.find("b.txt"), descending.find("Docs"));  // folders after files
    EXPECT_EQ(rig.settings->SortCol(), tools::kColumnName);
    e->SortBy(tools::kColumnSize);
    EXPECT_EQ(rig.settings->SortCol(), tools::kColumnSize);

    // View modes switch the list's widget; Details is where it starts.
    EXPECT_EQ(e->Mode(), ExplorerWindow::Details);
    e->SetMode(ExplorerWindow::Large);
    EXPECT_EQ(e->IconView()->viewMode(), QListView::IconMode);
    e->SetMode(ExplorerWindow::Details);

    // A double click on a folder row opens it in the tree and the list.
    e->DetailsView()->doubleClicked(list.index(list.RowOf("Deep"), 0));
    EXPECT_EQ(e->Folder(), "1:\\Deep");
    EXPECT_EQ(tree.PathOf(e->TreeView()->currentIndex()), "1:\\Deep");
    EXPECT_EQ(Rows(list), "Inner");
    // Expanding 1:\ again rebuilds its children; the folder in view stays.
    e->TreeView()->collapse(device);
    e->TreeView()->expand(device);
    EXPECT_EQ(e->Folder(), "1:\\Deep");
    EXPECT_EQ(tree.PathOf(e->TreeView()->currentIndex()), "1:\\Deep");
    EXPECT_TRUE(tree.isConsistent());

    // The sort survives the window: a new explorer lists by Size.
    e->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.findChildren<ExplorerWindow*>().isEmpty(); }));
    rig.listTester.reset();
    rig.treeTester.reset();
    e = rig.Explorer();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->DetailsView()->header()->sortIndicatorSection(), tools::kColumnSize);
    w.DisconnectFromDevice();
    EXPECT_FALSE(explore->isEnabled());
}

TEST(Explorer, RenameAndNewFolderWithTheirErrors) {
    Rig rig;
    MainWindow& w = rig.Open();
    Spill(rig.Dev("b.txt"), "bee");
    fs::create_directories(rig.Dev("Docs"));
    ASSERT_TRUE(w.ConnectToDevice());
    ExplorerWindow* e = rig.Explorer();
    ASSERT_TRUE(e);

    e->SelectNames({"b.txt"});
    Answer([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Rename File/Folder");
        d->findChild<QLineEdit*>("to")->setText("1:\\c.txt");
        static_cast<QDialog*>(d)->accept();
    });
    e->Rename();
    EXPECT_EQ(Slurp(rig.Dev("c.txt")), "bee");
    EXPECT_NE(e->ListModel()->RowOf("c.txt"), -1);

    // Onto an existing name: the rename fails with its message.
    e->SelectNames({"c.txt"});
    // Fills the dialog's field and accepts; the error box after it is read and closed.
    QString message;
    auto answerWithError = [&](const char* field, const char* text) {
        Answer([&message, field, text](QWidget* d) {
            d->findChild<QLineEdit*>(field)->setText(text);
            Answer(
                [&message](QWidget* box) {
                    message = static_cast<QMessageBox*>(box)->text();
                    box->close();
                },
                d);
            static_cast<QDialog*>(d)->accept();
        });
    };
    answerWithError("to", "1:\\Docs");
    e->Rename();
    EXPECT_EQ(message, "Error renaming file");
    EXPECT_TRUE(fs::exists(rig.Dev("c.txt")));

    // New Folder: a leading backslash is dropped; the tree learns of it.
    Answer([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "New Folder");
        d->findChild<QLineEdit*>("name")->setText("\\Fresh");
        static_cast<QDialog*>(d)->accept();
    });
    e->NewFolder();
    EXPECT_TRUE(fs::is_directory(rig.Dev("Fresh")));
    EXPECT_NE(e->ListModel()->RowOf("Fresh"), -1);
    EXPECT_TRUE(e->TreeModel()->FindChild(e->TreeModel()->RootIndex("1:\\"), "Fresh").isValid());
    message.clear();
    answerWithError("name", "Fresh");
    e->NewFolder();
    EXPECT_EQ(message, "Error creating directory");
    EXPECT_TRUE(e->TreeModel()->isConsistent());
    w.DisconnectFromDevice();
}

TEST(Explorer, PasteDeleteAndCancelRunThroughTheEngine) {
    Rig rig;
    MainWindow& w = rig.Open();
    Spill(rig.Desk("up.txt"), "to the handheld");
    fs::create_directories(rig.Dev("Deep/Inner"));
    Spill(rig.Dev("Deep/Inner/x.txt"), "deep down");
    ASSERT_TRUE(w.ConnectToDevice());
    ExplorerWindow* e = rig.Explorer();
    ASSERT_TRUE(e);

    // A desktop file pasted into 1:\ shows in the list.
    ASSERT_TRUE(e->SelectFolder(rig.Desk()));
    EXPECT_EQ(e->Folder(), rig.Desk());
    e->SelectNames({"up.txt"});
    e->Copy();
    ASSERT_TRUE(e->SelectFolder("1:\\"));
    e->Paste();
    EXPECT_EQ(Slurp(rig.Dev("up.txt")), "to the handheld");
    EXPECT_NE(e->ListModel()->RowOf("up.txt"), -1);

    // A handheld folder pasted onto the desktop arrives complete, moved.
    e->SelectNames({"Deep"});
    e->Cut();
    ASSERT_TRUE(e->SelectFolder(rig.Desk()));
    e->Paste();
    EXPECT_EQ(Slurp(rig.Desk("Deep/Inner/x.txt")), "deep down");
    EXPECT_FALSE(fs::exists(rig.Dev("Deep")));
    EXPECT_NE(e->ListModel()->RowOf("Deep"), -1);

    // Delete asks nothing and takes the folder with its contents.
    e->SelectNames({"Deep"});
    e->Delete();
    EXPECT_FALSE(fs::exists(rig.Desk("Deep")));
    EXPECT_EQ(e->ListModel()->RowOf("Deep"), -1);
    EXPECT_TRUE(e->Clipboard().entries.empty());

    // Cancel in the middle of a four-file paste: pressed while the replace
    // question of the second file is up, it stops after that file.
    for (const char* n : {"f1.txt", "f2.txt", "f3.txt", "f4.txt"}) Spill(rig.Desk(n), n);
    Spill(rig.Dev("f2.txt"), "old");
    e->Refresh();
    e->SelectNames({"f1.txt", "f2.txt", "f3.txt", "f4.txt"});
    e->Copy();
    ASSERT_TRUE(e->SelectFolder("1:\\"));
    WhenReplaceAsked([&](QWidget* question) {
        EXPECT_EQ(question->windowTitle(), "Conform File Replace");
        auto* progress = e->findChild<TransferProgressDialog*>();
        ASSERT_TRUE(progress);
        progress->findChild<QPushButton*>("cancel")->click();
        question->findChild<QPushButton*>("Yes")->click();
    });
    e->Paste();
    EXPECT_EQ(Slurp(rig.Dev("f1.txt")), "f1.txt");
    EXPECT_EQ(Slurp(rig.Dev("f2.txt")), "f2.txt");
    EXPECT_FALSE(fs::exists(rig.Dev("f3.txt")));
    EXPECT_FALSE(fs::exists(rig.Dev("f4.txt")));
    EXPECT_EQ(e->LastSummary(), "Cancelled: 2 of 4 files done (12 bytes of 24 bytes)");
    w.DisconnectFromDevice();
}

TEST(Explorer, DropsOnTheListAndOnTheLiveView) {
    Rig rig;
    MainWindow& w = rig.Open();
    Spill(rig.Desk("one.txt"), "1");
    Spill(rig.Desk("two.txt"), "22");
    ASSERT_TRUE(w.ConnectToDevice());
    ExplorerWindow* e = rig.Explorer();
    ASSERT_TRUE(e);
    ASSERT_TRUE(e->SelectFolder("1:\\"));
    fs::remove_all(rig.Dev("My Documents"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(rig.Desk("one.txt"))),
                  QUrl::fromLocalFile(QString::fromStdString(rig.Desk("two.txt")))});
    // Onto the list's empty space: copied into the folder in view.
    QWidget* list = e->DetailsView()->viewport();
    ASSERT_TRUE(DragAndDrop(list, QPoint(5, list->height() - 5), data));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Slurp(rig.Dev("two.txt")) == "22"; }));
    EXPECT_EQ(Slurp(rig.Dev("one.txt")), "1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->ListModel()->RowOf("two.txt") != -1; }));
    EXPECT_TRUE(fs::exists(rig.Desk("one.txt")));  // a drop from outside copies

    // Rows dragged onto a folder row move into it.
    fs::create_directories(rig.Dev("Box"));
    e->Refresh();
    FileListModel& model = *e->ListModel();
    std::unique_ptr<QMimeData> rows(model.mimeData({model.index(model.RowOf("one.txt"), 0)}));
    const QRect box = e->DetailsView()->visualRect(model.index(model.RowOf("Box"), 0));
    ASSERT_TRUE(DragAndDrop(list, box.center(), *rows));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(rig.Dev("Box/one.txt")); }));
    EXPECT_FALSE(fs::exists(rig.Dev("one.txt")));

    // Onto the live view: into 1:\My Documents, made for it.
    ASSERT_TRUE(DragAndDrop(w.View(), QPoint(20, 20), data));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Slurp(rig.Dev("My Documents/two.txt")) == "22"; }));
    EXPECT_EQ(Slurp(rig.Dev("My Documents/one.txt")), "1");
    w.DisconnectFromDevice();
}

}  // namespace
}  // namespace hd::desktop
