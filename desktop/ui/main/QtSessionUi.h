// The session's user interface in Qt: message boxes, the "Select Host" dialog
// and the wait box, on the user-interface thread (calls from another thread
// are posted there; only ChooseHost waits). RequestDisconnect only posts: it emits
// disconnectRequested later from the event loop, once per request burst, and
// never while a wait box is up (a Connect or Disconnect is running then).
// Owned by the main window, which connects disconnectRequested to its
// Disconnect command.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>

#include "desktop/session/SessionUi.h"
#include "desktop/ui/dialogs/WaitBox.h"

namespace hd::desktop {

class QtSessionUi : public QObject, public SessionUi {
    Q_OBJECT
public:
    // parent: the window the dialogs are centred on (may be null).
    explicit QtSessionUi(QWidget* parent = nullptr);
    ~QtSessionUi() override;

    void ShowMessage(const std::string& text) override;
    std::optional<std::string> ChooseHost(const std::vector<std::string>& hosts) override;
    bool FindsDevices() override;
    void ShowWait(const std::string& text) override;
    void CloseWait() override;
    void RequestDisconnect() override;

    WaitBox* Wait() const { return m_wait; }
    QWidget* Window() const { return m_window; }

signals:
    void disconnectRequested();

private:
    void OnUiThread(std::function<void()> fn);
    void DeliverDisconnect();

    QPointer<QWidget> m_window;
    QPointer<WaitBox> m_wait;  // a child of the window, which may go first
    std::atomic<bool> m_posted{false};
    bool m_deferred = false;
};

}  // namespace hd::desktop
