// The replace question ("Conform File Replace"): the entry's name, the
// existing item's description and the incoming one's, answered Yes, Yes to
// All, No or Cancel (exec() returns the TransferUi::Answer; closing the
// window is Cancel). User-interface thread; modal, owned by its caller.
#pragma once

#include <QDialog>

namespace hd::desktop {

class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    ReplaceDialog(const QString& name, const QString& existing, const QString& incoming,
                  QWidget* parent = nullptr);
    void reject() override;
};

}  // namespace hd::desktop
