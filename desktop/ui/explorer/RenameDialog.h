// The "Rename File/Folder" window: "From" shows the entry's full path, "To"
// starts with the same path and may be edited into any full path on the same
// machine. User-interface thread; modal, owned by the explorer.
#pragma once

#include <QDialog>

class QLineEdit;

namespace hd::desktop {

class RenameDialog : public QDialog {
    Q_OBJECT
public:
    RenameDialog(const QString& from, QWidget* parent = nullptr);
    QString To() const;

private:
    QLineEdit* m_to;
};

}  // namespace hd::desktop
