#include "desktop/ui/main/QtSessionUi.h"

#include <QMessageBox>
#include <QThread>

#include "desktop/session/DeviceBrowser.h"
#include "desktop/ui/dialogs/SelectHostDialog.h"
#include "desktop/ui/dialogs/WaitBox.h"

namespace hd::desktop {

QtSessionUi::QtSessionUi(QWidget* parent) : QObject(parent), m_window(parent) {}

QtSessionUi::~QtSessionUi() {
    delete m_wait;
}

void QtSessionUi::OnUiThread(std::function<void()> fn) {
    if (QThread::currentThread() == thread())
        fn();
    else
        // Posted, not waited for: the user-interface thread may itself be
        // waiting for the caller (a receiver being joined).
        QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void QtSessionUi::ShowMessage(const std::string& text) {
    OnUiThread([this, text = QString::fromStdString(text)] {
        QMessageBox box(QMessageBox::Warning, "Handrel", text, QMessageBox::Ok, m_window);
        box.setObjectName("message");
        box.exec();
    });
}

std::optional<std::string> QtSessionUi::ChooseHost(const std::vector<std::string>& hosts) {
    // The one question that needs its answer before the caller can go on.
    std::optional<std::string> chosen;
    auto ask = [&] { chosen = SelectHostDialog::Choose(hosts, m_window); };
    if (QThread::currentThread() == thread())
        ask();
    else
        QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
    return chosen;
}

bool QtSessionUi::FindsDevices() {
    DeviceBrowser browser;
    std::string unavailable;
    return browser.Start(unavailable);
}

void QtSessionUi::ShowWait(const std::string& text) {
    OnUiThread([this, text = QString::fromStdString(text)] {
        if (!m_wait) m_wait = new WaitBox(m_window);
        m_wait->ShowText(text);
    });
}

void QtSessionUi::CloseWait() {
    OnUiThread([this] {
        if (m_wait) m_wait->Close();
        if (m_deferred) {
            m_deferred = false;
            QMetaObject::invokeMethod(this, &QtSessionUi::DeliverDisconnect, Qt::QueuedConnection);
        }
    });
}

void QtSessionUi::RequestDisconnect() {
    // The receiver thread must not wait for the user interface: post once.
    if (m_posted.exchange(true)) return;
    QMetaObject::invokeMethod(this, &QtSessionUi::DeliverDisconnect, Qt::QueuedConnection);
}

void QtSessionUi::DeliverDisconnect() {
    // The wait box lets queued calls run while it paints; a Disconnect inside a
    // running Connect or Disconnect would tear the channel down twice.
    if (m_wait && m_wait->isVisible()) {
        m_deferred = true;
        return;
    }
    m_posted = false;
    emit disconnectRequested();
}

}  // namespace hd::desktop
