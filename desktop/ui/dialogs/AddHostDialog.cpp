#include "desktop/ui/dialogs/AddHostDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hd::desktop {

AddHostDialog::AddHostDialog(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit) {
    setObjectName("AddIPAddress");
    setWindowTitle("Add IP Address");
    m_edit->setObjectName("host");
    // A stored text is read back through 200 bytes; longer ones would come back cut.
    m_edit->setMaxLength(199);
    auto* buttons = new QDialogButtonBox;
    auto* add = buttons->addButton("Add", QDialogButtonBox::AcceptRole);
    add->setObjectName("add");
    add->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Host Name/IP Address"));
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
}

std::string AddHostDialog::Text() const {
    return m_edit->text().trimmed().toStdString();
}

std::optional<std::string> AddHostDialog::Ask(QWidget* parent) {
    AddHostDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Text();
}

}  // namespace hd::desktop
