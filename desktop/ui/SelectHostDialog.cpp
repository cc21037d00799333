#include "desktop/ui/SelectHostDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <set>

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
    if (!m_found) return;
    std::set<QString> now;
    for (const FoundDevice& d : m_found()) {
        const QString target = QString::fromStdString(d.address + ":" + std::to_string(d.port));
        if (!now.insert(target).second) continue;
        bool listed = false;
        for (int i = 0; i < m_list->count() && !listed; ++i)
            listed = m_list->item(i)->data(Qt::UserRole).toString() == target;
        if (listed) continue;
        std::string text = d.name + " - " + d.address + ":" + std::to_string(d.port);
        if (!d.kind.empty())
            text += " (" + d.kind + (d.screen.empty() ? "" : ", " + d.screen) + ")";
        auto* item = new QListWidgetItem(QString::fromStdString(text), m_list);
        item->setData(Qt::UserRole, target);
    }
    for (int i = m_list->count() - 1; i >= 0; --i) {
        const QString target = m_list->item(i)->data(Qt::UserRole).toString();
        if (!target.isEmpty() && !now.count(target)) delete m_list->takeItem(i);
    }
}

std::optional<std::string> SelectHostDialog::Selected() const {
    const auto items = m_list->selectedItems();
    if (items.isEmpty()) return std::nullopt;
    const QString target = items.front()->data(Qt::UserRole).toString();
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
