#include "desktop/ui/SelectHostDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace hd::desktop {

SelectHostDialog::SelectHostDialog(const std::vector<std::string>& hosts, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget) {
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
}

std::optional<std::string> SelectHostDialog::Selected() const {
    const auto items = m_list->selectedItems();
    if (items.isEmpty()) return std::nullopt;
    return items.front()->text().toStdString();
}

void SelectHostDialog::accept() {
    if (!Selected()) return;  // nothing chosen yet: stay open
    QDialog::accept();
}

std::optional<std::string> SelectHostDialog::Choose(const std::vector<std::string>& hosts,
                                                    QWidget* parent) {
    SelectHostDialog dialog(hosts, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Selected();
}

}  // namespace hd::desktop
