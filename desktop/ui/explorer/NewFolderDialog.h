// The "New Folder" window: "Parent Folder Name" shows the folder in view,
// "New Child Folder Name" takes the new folder's name. User-interface
// thread; modal, owned by the explorer.
#pragma once

#include <QDialog>

class QLineEdit;

namespace hd::desktop {

class NewFolderDialog : public QDialog {
    Q_OBJECT
public:
    NewFolderDialog(const QString& parentFolder, QWidget* parent = nullptr);
    QString Name() const;

private:
    QLineEdit* m_name;
};

}  // namespace hd::desktop
