#include "desktop/ui/explorer/ReplaceDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "desktop/tools/transfer/TransferUi.h"

namespace hd::desktop {

using tools::TransferUi;

ReplaceDialog::ReplaceDialog(const QString& name, const QString& existing, const QString& incoming,
                             QWidget* parent)
    : QDialog(parent) {
    setObjectName("ReplaceDialog");
    setWindowTitle(tools::kReplaceTitle);
    auto* text = new QVBoxLayout;
    auto line = [&](const QString& s, const char* object, bool bold) {
        auto* l = new QLabel(s);
        l->setObjectName(object);
        l->setTextFormat(Qt::PlainText);
        if (bold) l->setStyleSheet("font-weight: bold");
        text->addWidget(l);
    };
    line(tools::kReplaceIntro, "intro", false);
    line(name, "name", true);
    line(tools::kReplaceExisting, "existingIntro", false);
    line(existing, "existing", true);
    line(tools::kReplaceIncoming, "incomingIntro", false);
    line(incoming, "incoming", true);

    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const std::pair<const char*, TransferUi::Answer> answers[] = {
        {"Yes", TransferUi::Yes},
        {"Yes to All", TransferUi::YesToAll},
        {"No", TransferUi::No},
        {"Cancel", TransferUi::Cancel}};
    for (const auto& [label, answer] : answers) {
        auto* b = new QPushButton(label);
        b->setObjectName(label);
        connect(b, &QPushButton::clicked, this, [this, a = answer] { done(a); });
        buttons->addWidget(b);
        if (answer == TransferUi::Yes) b->setDefault(true);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

void ReplaceDialog::reject() {
    done(TransferUi::Cancel);
}

}  // namespace hd::desktop
