#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include "desktop/session/ConnectionManager.h"
#include "desktop/ui/dialogs/ConfigurationDialog.h"
#include "desktop/ui/dialogs/SelectHostDialog.h"
#include "desktop/ui/dialogs/StatusDialog.h"
#include "desktop/ui/help/HelpWindow.h"
#include "session/SessionFakes.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

using test::TempStore;

TEST(ConfigurationDialog, ShownUntilThisVersionIsConfigured) {
    TempStore tmp;
    auto store = tmp.Open();
    EXPECT_TRUE(NeedsConfiguration(*store));  // fresh: no Version
    store->SetVersion("2.16");
    EXPECT_TRUE(NeedsConfiguration(*store));
    store->SetDevice(3);
    store->SetKeyboard(6);  // Spanish(International)

    test::WhenModal([](QWidget* w) {
        ASSERT_EQ(w->objectName(), "Configuration");
        // Starts from the stored values.
        EXPECT_TRUE(w->findChild<QRadioButton*>("device3")->isChecked());
        auto* keyboard = w->findChild<QComboBox*>("keyboard");
        EXPECT_EQ(keyboard->currentText(), "Spanish(International)");
        w->findChild<QRadioButton*>("device1")->setChecked(true);
        keyboard->setCurrentText("German");
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_TRUE(ConfigurationDialog::RunIfNeeded(*store));
    auto reread = tmp.Open();
    EXPECT_EQ(reread->Version(), "2.17");
    EXPECT_EQ(reread->Device(), 1);
    EXPECT_EQ(reread->Keyboard(), 3);
    EXPECT_FALSE(NeedsConfiguration(*reread));
    EXPECT_FALSE(ConfigurationDialog::RunIfNeeded(*reread));  // not shown again

    // Closed without OK it still records the version: it is asked once.
    reread->SetVersion("");
    ConfigurationDialog dlg(*reread);
    dlg.reject();
    EXPECT_FALSE(NeedsConfiguration(*tmp.Open()));
}

TEST(SelectHostDialog, OkNeedsASelection) {
    SelectHostDialog dlg({"10.0.0.7", "pda.local"});
    dlg.show();
    auto* ok = dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ok->click();
    EXPECT_TRUE(dlg.isVisible());  // nothing selected: the dialog stays
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.Selected());
    dlg.findChild<QListWidget*>("hosts")->setCurrentRow(1);
    ok->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Selected(), "pda.local");

    test::WhenModal([](QWidget* w) {
        w->findChild<QListWidget*>("hosts")->setCurrentRow(0);
        w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_EQ(SelectHostDialog::Choose({"a", "b"}), std::nullopt);  // Cancel wins
}

TEST(SelectHostDialog, FoundDevicesComeAndGoAndArePickedByAddress) {
    std::vector<FoundDevice> found = {{"pda (virtual)", "10.0.0.9", 5493, "virtual", "240x320"}};
    SelectHostDialog dlg({"pda.local"}, nullptr, [&] { return found; });
    auto* list = dlg.findChild<QListWidget*>("hosts");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "pda (virtual) - 10.0.0.9:5493 (virtual, 240x320)");
    dlg.Refresh();
    EXPECT_EQ(list->count(), 2);  // listed once
    list->setCurrentRow(1);
    EXPECT_EQ(dlg.Selected(), "10.0.0.9:5493");
    found.clear();
    dlg.Refresh();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "pda.local");
}

TEST(StatusDialog, ShowsEveryCounterAndTheTimes) {
    test::MemorySettings settings;
    test::FakeRapi rapi;
    test::RecordingUi ui;
    ConnectionManager manager(settings, rapi, ui);
    Statistics& st = manager.Stats();
    st.keysTotal = 11, st.keys = 1;
    st.mouseTotal = 22, st.mouse = 2;
    st.sentTotal = 33, st.sent = 3;
    st.receivedTotal = 44, st.received = 4;
    bool connected = true;
    manager.MarkConnected();

    StatusDialog dlg([&] { return TakeSnapshot(manager, connected); }, nullptr, 0);
    const char* expected[4][2] = {{"11", "1"}, {"22", "2"}, {"33", "3"}, {"44", "4"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) EXPECT_EQ(dlg.Cell(r, c), expected[r][c]) << r << c;
    EXPECT_EQ(dlg.State(), "Connected");
    const QRegularExpression time("^\\d{4}/\\d{1,2}/\\d{1,2} \\d{1,2}:\\d{1,2}:\\d{1,2}$");
    EXPECT_TRUE(time.match(dlg.ConnectTime()).hasMatch()) << dlg.ConnectTime().toStdString();
    EXPECT_EQ(dlg.DisconnectTime(), "");

    // After a disconnect the since-connect column reads 0, the totals stay.
    manager.MarkDisconnected();
    manager.ResetConnectionCounters();
    connected = false;
    dlg.Refresh();
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(dlg.Cell(r, 0), expected[r][0]);
        EXPECT_EQ(dlg.Cell(r, 1), "0");
    }
    EXPECT_EQ(dlg.State(), "Disconnected");
    EXPECT_TRUE(time.match(dlg.DisconnectTime()).hasMatch());

    // While shown it follows the counters on its own.
    StatusDialog live([&] { return TakeSnapshot(manager, connected); }, nullptr, 5);
    live.show();
    st.keysTotal = 12;
    EXPECT_TRUE(QTest::qWaitFor([&] { return live.Cell(0, 0) == "12"; }, 2000));
}

TEST(HelpWindow, TopicsAndLinksResolve) {
    for (const char* topic : {"index", "Options", "Explore", "DOS"})
        EXPECT_FALSE(HelpWindow::TopicUrl(topic).isEmpty()) << topic;
    EXPECT_TRUE(HelpWindow::TopicUrl("Nothing").isEmpty());
    EXPECT_TRUE(HelpWindow::TopicUrl("../help/index").isEmpty());

    HelpWindow* help = HelpWindow::ShowTopic("Nothing");  // unknown: the contents
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Source(), HelpWindow::TopicUrl("index"));
    // Every page the contents link to exists and has a title and text.
    QTextBrowser* browser = help->Browser();
    const QString html = browser->toHtml();
    QRegularExpression href("href=\"([A-Za-z]+)\\.html\"");
    int links = 0;
    for (auto it = href.globalMatch(html); it.hasNext(); ++links) {
        const QString topic = it.next().captured(1);
        EXPECT_FALSE(HelpWindow::TopicUrl(topic).isEmpty()) << topic.toStdString();
        EXPECT_EQ(HelpWindow::ShowTopic(topic), help);  // one window, reused
        EXPECT_FALSE(browser->documentTitle().isEmpty()) << topic.toStdString();
        EXPECT_GT(browser->toPlainText().size(), 200) << topic.toStdString();
    }
    EXPECT_GE(links, 6);
    HelpWindow::ShowTopic("DOS");
    EXPECT_TRUE(browser->toPlainText().contains("rmdir"));
    delete help;
    EXPECT_EQ(HelpWindow::Current(), nullptr);
}

}  // namespace
}  // namespace hd::desktop
