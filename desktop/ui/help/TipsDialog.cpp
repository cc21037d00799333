#include "desktop/ui/help/TipsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/session/Settings.h"
#include "desktop/tools/help/TipsList.h"

namespace hd::desktop {

TipsDialog::TipsDialog(Settings& store, QWidget* parent)
    : QDialog(parent),
      m_store(store),
      m_index(tools::TipIndex(store.Tip())),
      m_text(new QLabel),
      m_atStart(new QCheckBox("&Show tips at startup")) {
    setObjectName("Tips");
    setWindowTitle("Handrel Tips");
    auto* heading = new QLabel("<b>Did you know...</b>");
    m_text->setObjectName("tip");
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setMinimumSize(340, 90);
    m_atStart->setObjectName("atStart");
    m_atStart->setChecked(store.Tip() >= 0);

    auto* buttons = new QDialogButtonBox;
    QPushButton* next = buttons->addButton("&Next Tip", QDialogButtonBox::ActionRole);
    next->setObjectName("next");
    buttons->addButton(QDialogButtonBox::Close);
    connect(next, &QPushButton::clicked, this, &TipsDialog::Next);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_text, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_atStart);
    bottom->addWidget(buttons, 1);
    layout->addLayout(bottom);
    ShowTip();
}

TipsDialog* TipsDialog::ShowAtStart(Settings& store, QWidget* parent) {
    if (store.Tip() < 0) return nullptr;
    auto* tips = new TipsDialog(store, parent);
    tips->setAttribute(Qt::WA_DeleteOnClose);
    tips->show();
    return tips;
}

QString TipsDialog::Text() const {
    return m_text->text();
}

void TipsDialog::ShowTip() {
    m_text->setText(QString::fromStdString(tools::Tips()[size_t(m_index)]));
}

void TipsDialog::Next() {
    m_index = tools::NextTip(m_index);
    ShowTip();
}

void TipsDialog::done(int result) {
    m_store.SetTip(m_atStart->isChecked() ? tools::NextTip(m_index) : -1);
    QDialog::done(result);
}

}  // namespace hd::desktop
