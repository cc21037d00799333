#include "desktop/ui/dialogs/StatusDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/session/ConnectionManager.h"

namespace hd::desktop {

StatusSnapshot TakeSnapshot(ConnectionManager& manager, bool connected) {
    const Statistics& s = manager.Stats();
    StatusSnapshot snap;
    snap.connected = connected;
    snap.keysTotal = s.keysTotal;
    snap.keys = s.keys;
    snap.mouseTotal = s.mouseTotal;
    snap.mouse = s.mouse;
    snap.sentTotal = s.sentTotal;
    snap.sent = s.sent;
    snap.receivedTotal = s.receivedTotal;
    snap.received = s.received;
    snap.connectTime = manager.ConnectTime();
    snap.disconnectTime = manager.DisconnectTime();
    return snap;
}

StatusDialog::StatusDialog(Source source, QWidget* parent, int refreshMs)
    : QDialog(parent), m_source(std::move(source)), m_timer(new QTimer(this)) {
    setObjectName("Status");
    setWindowTitle("Status");
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    grid->addWidget(new QLabel("<b>Since application start</b>"), 0, 1, Qt::AlignRight);
    grid->addWidget(new QLabel("<b>Since last connect</b>"), 0, 2, Qt::AlignRight);
    const char* rows[] = {"Keystrokes sent", "Mouse events sent", "Bytes sent", "Bytes received"};
    for (int r = 0; r < 4; ++r) {
        grid->addWidget(new QLabel(rows[r]), r + 1, 0);
        for (int c = 0; c < 2; ++c) {
            m_cells[r][c] = new QLabel;
            m_cells[r][c]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_cells[r][c]->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(m_cells[r][c], r + 1, c + 1);
        }
    }
    m_state = new QLabel;
    m_connectTime = new QLabel;
    m_disconnectTime = new QLabel;
    grid->addWidget(new QLabel("Connection"), 5, 0);
    grid->addWidget(m_state, 5, 1, 1, 2, Qt::AlignRight);
    grid->addWidget(new QLabel("Last connect"), 6, 0);
    grid->addWidget(m_connectTime, 6, 1, 1, 2, Qt::AlignRight);
    grid->addWidget(new QLabel("Last disconnect"), 7, 0);
    grid->addWidget(m_disconnectTime, 7, 1, 1, 2, Qt::AlignRight);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    if (refreshMs > 0) m_timer->setInterval(refreshMs);
    connect(m_timer, &QTimer::timeout, this, &StatusDialog::Refresh);
    Refresh();
}

void StatusDialog::Refresh() {
    if (!m_source) return;
    const StatusSnapshot s = m_source();
    const uint32_t values[4][2] = {{s.keysTotal, s.keys},
                                   {s.mouseTotal, s.mouse},
                                   {s.sentTotal, s.sent},
                                   {s.receivedTotal, s.received}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) m_cells[r][c]->setText(QString::number(values[r][c]));
    m_state->setText(s.connected ? "Connected" : "Disconnected");
    m_connectTime->setText(QString::fromStdString(s.connectTime));
    m_disconnectTime->setText(QString::fromStdString(s.disconnectTime));
}

QString StatusDialog::Cell(int row, int column) const {
    return m_cells[row][column]->text();
}
QString StatusDialog::ConnectTime() const {
    return m_connectTime->text();
}
QString StatusDialog::DisconnectTime() const {
    return m_disconnectTime->text();
}
QString StatusDialog::State() const {
    return m_state->text();
}

void StatusDialog::showEvent(QShowEvent* event) {
    Refresh();
    if (m_timer->interval() > 0) m_timer->start();
    QDialog::showEvent(event);
}

void StatusDialog::hideEvent(QHideEvent* event) {
    m_timer->stop();
    QDialog::hideEvent(event);
}

}  // namespace hd::desktop
