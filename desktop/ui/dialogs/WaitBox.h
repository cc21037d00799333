// The modeless wait box shown while a channel opens or ends ("Connecting to
// <host>", "Please Wait ...  "). It paints itself before returning, since the
// caller then blocks the user-interface thread; it never takes input and never
// blocks. User-interface thread; owned by QtSessionUi.
#pragma once

#include <QDialog>

class QLabel;

namespace hd::desktop {

class WaitBox : public QDialog {
    Q_OBJECT
public:
    explicit WaitBox(QWidget* parent = nullptr);
    void ShowText(const QString& text);
    void Close();
    QString Text() const;

private:
    QLabel* m_label;
};

}  // namespace hd::desktop
