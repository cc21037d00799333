// The "Add IP Address" dialog: one edit field for a host name or dotted
// address, buttons "Add" and "Cancel". Opened by the Options dialog on the
// user-interface thread; it only returns the text, the caller decides.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;

namespace hd::desktop {

class AddHostDialog : public QDialog {
    Q_OBJECT
public:
    explicit AddHostDialog(QWidget* parent = nullptr);
    std::string Text() const;

    // Runs the dialog: the text on "Add" (possibly empty), nothing on "Cancel".
    static std::optional<std::string> Ask(QWidget* parent);

private:
    QLineEdit* m_edit;
};

}  // namespace hd::desktop
