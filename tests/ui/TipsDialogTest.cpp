#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>

#include "desktop/tools/help/TipsList.h"
#include "desktop/ui/help/TipsDialog.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

TEST(TipsDialog, ShowsTheStoredTipAndStoresWhereItStopped) {
    test::TempStore temp;
    auto store = temp.Open();
    const int n = int(tools::Tips().size());

    store->SetTip(n - 1);
    TipsDialog* tips = TipsDialog::ShowAtStart(*store, nullptr);
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(tips->Text().toStdString(), tools::Tips()[size_t(n - 1)]);
    EXPECT_TRUE(tips->findChild<QCheckBox*>("atStart")->isChecked());
    tips->findChild<QPushButton*>("next")->click();  // wraps to the first
    EXPECT_EQ(tips->Text().toStdString(), tools::Tips()[0]);
    tips->close();
    EXPECT_EQ(store->Tip(), 1);  // the next start shows the tip after the last one seen

    // Unticking switches the window off; it is then not shown at start.
    tips = TipsDialog::ShowAtStart(*store, nullptr);
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(tips->Shown(), 1);
    tips->findChild<QCheckBox*>("atStart")->setChecked(false);
    tips->close();
    EXPECT_EQ(store->Tip(), -1);
    EXPECT_EQ(TipsDialog::ShowAtStart(*store, nullptr), nullptr);
}

}  // namespace
}  // namespace hd::desktop
