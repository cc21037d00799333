#include "desktop/ui/explorer/RenameDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace hd::desktop {

RenameDialog::RenameDialog(const QString& from, QWidget* parent)
    : QDialog(parent), m_to(new QLineEdit(from)) {
    setObjectName("RenameDialog");
    setWindowTitle("Rename File/Folder");
    auto* source = new QLabel(from);
    source->setObjectName("from");
    source->setTextFormat(Qt::PlainText);
    source->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_to->setObjectName("to");
    m_to->setMinimumWidth(360);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("From", source);
    form->addRow("To", m_to);
    form->addRow(buttons);
    // The name part selected, as it is what one usually changes.
    const int sep = std::max(from.lastIndexOf('\\'), from.lastIndexOf('/'));
    m_to->setSelection(sep + 1, int(from.size()) - sep - 1);
}

QString RenameDialog::To() const {
    return m_to->text();
}

}  // namespace hd::desktop
