#include "desktop/ui/dialogs/SelectHostDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/ui/dialogs/FoundDevicesList.h"

namespace hd::desktop {

SelectHostDialog::SelectHostDialog(const std::vector<std::string>& hosts, QWidget* parent,
                                   FoundSource found)
    : QDialog(parent), m_list(new QListWidget), m_found(std::move(found)) {
    setObjectName("SelectHost");
    setWindowTitle("Select Host");
    m_list->setObjectName("hosts");
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const auto& h : hosts) m_list->addItem(QString::fromStdString(h));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, [this] { accept(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    if (m_found) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &SelectHostDialog::Refresh);
        timer->start(500);
        Refresh();
    }
}

void SelectHostDialog::Refresh() {
    if (m_found) ShowFoundDevices(m_list, m_found());
}

std::optional<std::string> SelectHostDialog::Selected() const {
    const auto items = m_list->selectedItems();
    if (items.isEmpty()) return std::nullopt;
    const QString target = FoundTarget(items.front());
    return (target.isEmpty() ? items.front()->text() : target).toStdString();
}

void SelectHostDialog::accept() {
    if (!Selected()) return;  // nothing chosen yet: stay open
    QDialog::accept();
}

std::optional<std::string> SelectHostDialog::Choose(const std::vector<std::string>& hosts,
                                                    QWidget* parent) {
    DeviceBrowser browser;
    std::string unavailable;
    const bool browsing = browser.Start(unavailable);
    SelectHostDialog dialog(
        hosts, parent, browsing ? FoundSource([&] { return browser.Devices(); }) : FoundSource());
    if (!browsing) {
        auto* note = new QListWidgetItem(QString::fromStdString(unavailable), dialog.m_list);
        note->setFlags(Qt::NoItemFlags);
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Selected();
}

}  // namespace hd::desktop
