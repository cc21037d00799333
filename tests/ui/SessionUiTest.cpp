#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "desktop/ui/main/Messages.h"
#include "desktop/ui/main/QtSessionUi.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

TEST(QtSessionUi, DisconnectRequestsArePostedOnce) {
    QtSessionUi ui;
    QSignalSpy spy(&ui, &QtSessionUi::disconnectRequested);
    std::thread receiver([&] {
        ui.RequestDisconnect();
        ui.RequestDisconnect();  // a burst is one request
    });
    receiver.join();
    EXPECT_EQ(spy.count(), 0);  // never run on the caller's thread
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() > 0; }, 2000));
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);

    // Held back while a Connect or Disconnect shows its wait box.
    ui.ShowWait(text::kPleaseWait);
    ASSERT_NE(ui.Wait(), nullptr);
    EXPECT_TRUE(ui.Wait()->isVisible());
    EXPECT_EQ(ui.Wait()->Text(), text::kPleaseWait);
    ui.RequestDisconnect();
    QTest::qWait(20);  // the posted call runs and is deferred
    EXPECT_EQ(spy.count(), 1);
    ui.CloseWait();
    EXPECT_FALSE(ui.Wait()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.count() == 2; }, 2000));
}

TEST(QtSessionUi, MessagesAndHostChoice) {
    QtSessionUi ui;
    QString shown;
    test::WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    ui.ShowMessage(text::kConnectError);
    EXPECT_EQ(shown, "Error connecting to Pocket PC, make sure your Pocket PC is docked !!");

    // From another thread the box is posted to the user-interface thread;
    // the caller does not wait for it.
    std::thread other([&] { ui.ShowMessage(text::kNoHosts); });
    other.join();
    test::WhenModal([&](QWidget* w) {
        shown = qobject_cast<QMessageBox*>(w)->text();
        qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == "No hosts configured !"; }, 3000));

    test::WhenModal([](QWidget* w) {
        ASSERT_EQ(w->windowTitle(), "Select Host");
        w->findChild<QListWidget*>("hosts")->setCurrentRow(1);
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(ui.ChooseHost({"10.0.0.7", "pda.local"}), "pda.local");
}

}  // namespace
}  // namespace hd::desktop
