#include "desktop/ui/explorer/NewFolderDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace hd::desktop {

NewFolderDialog::NewFolderDialog(const QString& parentFolder, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit) {
    setObjectName("NewFolderDialog");
    setWindowTitle("New Folder");
    auto* folder = new QLabel(parentFolder);
    folder->setObjectName("parentFolder");
    folder->setTextFormat(Qt::PlainText);
    m_name->setObjectName("name");
    m_name->setMinimumWidth(300);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("Parent Folder Name", folder);
    form->addRow("New Child Folder Name", m_name);
    form->addRow(buttons);
}

QString NewFolderDialog::Name() const {
    return m_name->text();
}

}  // namespace hd::desktop
