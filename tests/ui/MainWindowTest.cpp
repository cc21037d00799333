#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include "common/Codes.h"
#include "desktop/ui/dos/DosBoxWindow.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"
#include "desktop/ui/main/Messages.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

using Rig = test::WindowRig;
using test::WaitForChangeBelowTitle;

TEST(MainWindow, ConnectShowsTheHandheldAndDisconnectZeroesTheCounters) {
    Rig rig;
    MainWindow& w = rig.Open();
    EXPECT_EQ(w.objectName(), "HANDREL:MAIN");
    EXPECT_EQ(w.StateText(), "Disconnected");
    EXPECT_EQ(w.findChild<QLabel*>("state")->text(), "Disconnected");

    QSignalSpy painted(w.View(), &LiveView::framePainted);
    ASSERT_TRUE(w.ConnectToDevice());
    EXPECT_EQ(w.findChild<QLabel*>("state")->text(), "Connected");
    ASSERT_TRUE(painted.wait(5000));
    const QImage shown = rig.View().Picture();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), QSize(240, 320));
    // The view is the screen at the stored zoom (120 % on a fresh store), and
    // the window fits it.
    EXPECT_EQ(rig.View().size(), QSize(288, 384));
    EXPECT_GE(w.width(), 288);
    EXPECT_LT(w.width(), 288 + 10);

    // Application button 1 brings the notes forward; typed keys change them.
    w.PressAppButton(1);
    ASSERT_TRUE(WaitForChangeBelowTitle(rig.View()));
    QTest::qWait(100);
    QTest::keyClicks(w.View(), "hi");
    EXPECT_TRUE(WaitForChangeBelowTitle(rig.View()));
    EXPECT_EQ(rig.Stats().keys.load(), 3u);  // the button and two letters

    // A tap: down and up, mapped into the handheld's range.
    QTest::mouseClick(w.View(), Qt::LeftButton, Qt::NoModifier, QPoint(144, 200));
    EXPECT_EQ(rig.Stats().mouse.load(), 2u);
    EXPECT_GT(rig.Stats().received.load(), 0u);

    w.DisconnectFromDevice();
    EXPECT_EQ(w.StateText(), "Disconnected");
    EXPECT_EQ(w.findChild<QLabel*>("state")->text(), "Disconnected");
    EXPECT_EQ(rig.Stats().keys.load(), 0u);
    EXPECT_EQ(rig.Stats().mouse.load(), 0u);
    EXPECT_EQ(rig.Stats().sent.load(), 0u);
    EXPECT_EQ(rig.Stats().received.load(), 0u);
    EXPECT_EQ(rig.Stats().keysTotal.load(), 3u);
    EXPECT_EQ(rig.Stats().mouseTotal.load(), 2u);
    EXPECT_TRUE(rig.View().Picture().isNull());
    EXPECT_FALSE(w.CurrentSession().Receiver().Running());

    // Typing while disconnected sends nothing.
    QTest::keyClicks(w.View(), "x");
    EXPECT_EQ(rig.Stats().keysTotal.load(), 3u);

    // And a second connection works as the first.
    ASSERT_TRUE(w.ConnectToDevice());
    EXPECT_TRUE(painted.wait(5000));
    w.DisconnectFromDevice();
}

TEST(MainWindow, ZoomAndRotationAreStoredAndTheWindowFitsTheView) {
    Rig rig;
    MainWindow& w = rig.Open();
    w.SetZoom(200);
    EXPECT_EQ(rig.settings->Scale(), 200);
    EXPECT_EQ(rig.View().size(), QSize(480, 640));
    w.SetRotation(Rotation::LandscapeCW);
    EXPECT_EQ(rig.settings->Orientation(), 1);
    EXPECT_EQ(rig.View().size(), QSize(640, 480));
    QCoreApplication::processEvents();
    EXPECT_GE(w.width(), 640);
    EXPECT_LT(w.width(), 650);
    w.SetRotation(Rotation::Portrait);
    EXPECT_EQ(rig.settings->Orientation(), 0);
    w.SetRotation(Rotation::LandscapeCW);

    // The next start comes back at the stored zoom, in Landscape (CCW).
    w.move(40, 30);
    w.close();
    int x = -1, y = -1;
    rig.settings->WindowPos(x, y);
    EXPECT_EQ(x, w.pos().x());
    EXPECT_EQ(y, w.pos().y());
    rig.window.reset();
    MainWindow& again = rig.Open();
    EXPECT_EQ(again.Zoom(), 200);
    EXPECT_EQ(again.CurrentRotation(), Rotation::LandscapeCCW);
    EXPECT_EQ(rig.View().size(), QSize(640, 480));
}

TEST(MainWindow, ClipboardTextTravelsBothWaysAndAutoCopySendsChanges) {
    Rig rig;
    MainWindow& w = rig.Open();
    ASSERT_TRUE(w.ConnectToDevice());
    QClipboard* clip = QGuiApplication::clipboard();

    clip->setText("from the desktop ü");
    ASSERT_TRUE(w.CopyToDevice());
    clip->setText("replaced");
    ASSERT_TRUE(w.CopyFromDevice());
    EXPECT_EQ(clip->text(), "from the desktop ü");

    w.SetAutoCopy(true);
    EXPECT_TRUE(rig.settings->AutoCopy());
    clip->setText("sent by itself");  // AutoCopy sends it on the change
    QCoreApplication::processEvents();
    w.SetAutoCopy(false);
    EXPECT_FALSE(rig.settings->AutoCopy());
    clip->setText("kept here");
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.CopyFromDevice());
    EXPECT_EQ(clip->text(), "sent by itself");
    w.DisconnectFromDevice();
}

TEST(MainWindow, SkinModeAwayFromFullSizeRefusesToConnect) {
    Rig rig;
    rig.settings->StoreFlags(FLAG_SKIN);
    MainWindow& w = rig.Open();  // zoom 120 %
    QString said;
    test::WhenModal([&](QWidget* m) {
        if (auto* box = qobject_cast<QMessageBox*>(m)) said = box->text();
        m->close();
    });
    EXPECT_FALSE(w.ConnectToDevice());
    EXPECT_EQ(said, text::kSkinZoomConnect);
    EXPECT_EQ(w.StateText(), "Disconnected");
}

TEST(MainWindow, ToolsMenuOpensOneDosBoxWhileConnected) {
    Rig rig;
    MainWindow& w = rig.Open();
    QMenu* tools = nullptr;
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == "&Tools") tools = a->menu();
    ASSERT_NE(tools, nullptr);
    QStringList titles;
    for (QAction* a : tools->actions()) titles << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(titles.join('|').toStdString(),
              "&Explore...|Remote &DOS Box|Handrel &Manager|-|&Options...|&Status...");
    QAction* dos = tools->actions()[1];
    EXPECT_FALSE(tools->actions()[0]->isEnabled());
    EXPECT_FALSE(dos->isEnabled());
    EXPECT_EQ(w.ShowDosBox(), nullptr);  // nothing to reach without a connection
    ASSERT_TRUE(w.ConnectToDevice());
    EXPECT_TRUE(tools->actions()[0]->isEnabled());
    EXPECT_TRUE(dos->isEnabled());
    dos->trigger();
    DosBoxWindow* box = w.DosBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    dos->trigger();
    EXPECT_EQ(w.DosBox(), box);
    w.DisconnectFromDevice();
    EXPECT_FALSE(dos->isEnabled());
    EXPECT_FALSE(tools->actions()[0]->isEnabled());
}

TEST(MainWindow, ApplicationButtonsSendTheirKeys) {
    EXPECT_EQ(AppButtonKey(1, 0), 0xC1);
    EXPECT_EQ(AppButtonKey(4, 3), 0xC4);
    EXPECT_EQ(AppButtonKey(5, 0), 0xC5);
    EXPECT_EQ(AppButtonKey(5, kDeviceWithAltFifthButton), 0xCF);
}

}  // namespace
}  // namespace hd::desktop
