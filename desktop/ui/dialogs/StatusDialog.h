// The Status dialog: the connection statistics, each counter since the program
// started and since the last connect, with the last connect and disconnect
// times. It reads a snapshot now and then (the counters are advanced by the
// channel threads); it never changes them. User-interface thread; modeless,
// owned by the main window.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QTimer;

namespace hd::desktop {

class ConnectionManager;

struct StatusSnapshot {
    bool connected = false;
    uint32_t keysTotal = 0, keys = 0;
    uint32_t mouseTotal = 0, mouse = 0;
    uint32_t sentTotal = 0, sent = 0;
    uint32_t receivedTotal = 0, received = 0;
    std::string connectTime, disconnectTime;
};

// The manager's counters and times now; connected as the caller knows it.
StatusSnapshot TakeSnapshot(ConnectionManager& manager, bool connected);

class StatusDialog : public QDialog {
    Q_OBJECT
public:
    using Source = std::function<StatusSnapshot()>;
    // Refreshes every refreshMs while shown (0: only on Refresh()).
    explicit StatusDialog(Source source, QWidget* parent = nullptr, int refreshMs = 1000);

    void Refresh();
    // A cell's text, for the tests: row 0..3 (keystrokes, mouse, bytes sent,
    // bytes received), column 0 since start, 1 since last connect.
    QString Cell(int row, int column) const;
    QString ConnectTime() const;
    QString DisconnectTime() const;
    QString State() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Source m_source;
    QTimer* m_timer;
    QLabel* m_cells[4][2];
    QLabel* m_state;
    QLabel* m_connectTime;
    QLabel* m_disconnectTime;
};

}  // namespace hd::desktop
