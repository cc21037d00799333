// Skin mode in the real main window over the built-in link: the skin window,
// its input, the Options list and the failure path.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "common/Log.h"
#include "desktop/tools/manager/RemoteTaskList.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"
#include "desktop/ui/skin/SkinWindow.h"
#include "support/FakeStream.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

struct SkinRig {
    test::TempStore store;
    QTemporaryDir root;
    std::unique_ptr<Settings> settings = store.Open();
    std::unique_ptr<MainWindow> window;

    explicit SkinRig(const std::string& skin) {
        settings->StoreFlags(FLAG_SKIN);
        settings->SetScale(100);
        settings->SetSkinName(skin);
        settings->SetSkinPos(30, 40);
        LinkOptions link;
        link.root = root.path().toStdString();
        link.library = HD_AGENT_LIBRARY;
        window = std::make_unique<MainWindow>(*settings, link);
        window->show();
    }
};

// The executables of the handheld's running programs.
std::vector<std::string> Running(MainWindow& w) {
    tools::RemoteTaskList am;
    am.SetConnection(&w.CurrentSession().Command());
    std::vector<std::string> exes;
    if (!am.Pulltsklist()) return exes;
    for (int i = 0; i < am.Count(); ++i) exes.push_back(am.Task(i).exe);
    return exes;
}

bool Has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(SkinWindow, ShowsTheHandheldInTheDeviceAndTakesItsInput) {
    SkinRig rig("Slate");
    MainWindow& w = *rig.window;
    QSignalSpy painted(w.View(), &LiveView::framePainted);
    ASSERT_TRUE(w.ConnectToDevice());
    SkinWindow* skin = w.Skin();
    ASSERT_NE(skin, nullptr);
    EXPECT_TRUE(skin->isVisible());
    EXPECT_TRUE(skin->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(skin->size(), QSize(300, 470));
    EXPECT_EQ(skin->pos(), QPoint(30, 40));
    // Shaped: the rounded corner is not part of the window.
    EXPECT_FALSE(skin->mask().contains(QPoint(1, 1)));
    EXPECT_TRUE(skin->mask().contains(QPoint(150, 200)));
    ASSERT_TRUE(painted.wait(5000));
    QTest::qWait(50);
    // The screen rectangle shows the live picture at 100 %.
    const QImage shot = skin->grab().toImage();
    const QImage live = w.View()->Picture();
    EXPECT_EQ(shot.pixel(30 + 100, 56 + 200), live.pixel(100, 200));
    EXPECT_EQ(shot.pixel(30 + 5, 56 + 5), live.pixel(5, 5));

    // A point of the screen rectangle reaches the handheld where the live view
    // at 100 % sends it; points off the screen are held at its edge.
    ViewGeometry portrait{{240, 320}, 100, Rotation::Portrait};
    for (QPoint p : {QPoint(0, 0), QPoint(239, 319), QPoint(120, 160), QPoint(17, 301)}) {
        const auto a = skin->ToAbsolute(p + QPoint(30, 56));
        const auto b = portrait.ToAbsolute(p.x(), p.y());
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
    }
    EXPECT_EQ(skin->ToAbsolute(QPoint(0, 0)).x, portrait.ToAbsolute(0, 0).x);

    // The pad's right and middle start the first tile (Notes); button 3
    // starts the third program (the calculator).
    auto& stats = w.CurrentSession().Manager().Stats();
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(170, 425));
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(150, 425));
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(205, 432));
    EXPECT_EQ(stats.keys.load(), 3u);
    const std::vector<std::string> running = Running(w);
    EXPECT_TRUE(Has(running, "notes.exe"));
    EXPECT_TRUE(Has(running, "calc.exe"));
    // A tap on the screen is a stylus down and up; one on the body is none.
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(100, 200));
    EXPECT_EQ(stats.mouse.load(), 2u);
    QTest::mouseClick(skin, Qt::LeftButton, {}, QPoint(150, 20));
    EXPECT_EQ(stats.mouse.load(), 2u);

    // Dragged by its body, the window moves and its place is kept.
    const QPoint grip(150, 20), from = skin->mapToGlobal(grip), by(25, 15);
    QMouseEvent press(QEvent::MouseButtonPress, grip, from, Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(skin, &press);
    QMouseEvent move(QEvent::MouseMove, grip + by, from + by, Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(skin, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, grip + by, from + by, Qt::LeftButton,
                        Qt::NoButton, {});
    QCoreApplication::sendEvent(skin, &release);
    EXPECT_EQ(skin->pos(), QPoint(55, 55));
    int x = 0, y = 0;
    rig.settings->SkinPos(x, y);
    EXPECT_EQ(QPoint(x, y), QPoint(55, 55));
    EXPECT_EQ(stats.mouse.load(), 2u);  // a drag is not a tap

    // Keys typed on the skin reach the handheld as the view's do.
    skin->activateWindow();
    QTest::keyClicks(skin, "ab");
    EXPECT_EQ(stats.keys.load(), 5u);

    // The Options list holds the skins of the selected device type.
    QStringList listed, forJornada;
    test::WhenModal([&](QWidget* m) {
        auto* names = m->findChild<QComboBox*>("skinName");
        for (int i = 0; i < names->count(); ++i) listed << names->itemText(i);
        m->findChild<QRadioButton*>("device2")->setChecked(true);
        for (int i = 0; i < names->count(); ++i) forJornada << names->itemText(i);
        m->close();
    });
    w.ShowOptions();
    EXPECT_EQ(listed, QStringList({"Plain", "Slate"}));
    EXPECT_EQ(forJornada, QStringList({"Graphite", "Plain"}));

    // Disconnecting hides it for the sequence and shows it again afterwards;
    // the receiver stops under the skin window's name.
    hd::test::LogCapture lines;
    log::SetEnabled(true);
    w.DisconnectFromDevice();
    log::SetEnabled(false);
    EXPECT_TRUE(lines.Has("CSkin::Stop:Waiting for receiver thread to terminate"));
    EXPECT_TRUE(skin->isVisible());
    EXPECT_EQ(w.StateText(), "Disconnected");
}

TEST(SkinWindow, ASkinThatCannotBeLoadedSwitchesSkinModeOff) {
    SkinRig rig("Nowhere");
    QString said;
    test::WhenModal([&](QWidget* m) {
        if (auto* box = qobject_cast<QMessageBox*>(m)) said = box->text();
        m->close();
    });
    EXPECT_FALSE(rig.window->ConnectToDevice());
    EXPECT_EQ(said, "The skin \"Nowhere\" could not be loaded: no skin of that name was found");
    EXPECT_EQ(rig.window->StateText(), "Disconnected");
    EXPECT_FALSE(rig.window->Flags() & FLAG_SKIN);
    EXPECT_FALSE(rig.settings->LoadFlags() & FLAG_SKIN);
    EXPECT_EQ(rig.settings->SkinName(), "");
    // Without skin mode the next Connect goes ahead.
    EXPECT_TRUE(rig.window->ConnectToDevice());
    rig.window->DisconnectFromDevice();
}

}  // namespace
}  // namespace hd::desktop
