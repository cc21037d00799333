#include "desktop/ui/dialogs/WaitBox.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace hd::desktop {

WaitBox::WaitBox(QWidget* parent) : QDialog(parent), m_label(new QLabel) {
    setObjectName("WaitBox");
    setWindowTitle("Handrel");
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_label->setObjectName("text");
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setMinimumWidth(260);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(m_label);
}

void WaitBox::ShowText(const QString& text) {
    m_label->setText(text);
    adjustSize();
    show();
    raise();
    // The caller blocks next (a connect, a teardown): paint now, take no input.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WaitBox::Close() {
    hide();
}

QString WaitBox::Text() const {
    return m_label->text();
}

}  // namespace hd::desktop
