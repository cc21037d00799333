#include "desktop/ui/manager/ManagerListModel.h"

#include <set>

#include "desktop/tools/manager/ManagerFormat.h"

namespace hd::desktop {

ManagerListModel::ManagerListModel(std::vector<int> ids, QObject* parent)
    : QAbstractTableModel(parent), m_ids(std::move(ids)) {}

void ManagerListModel::SetRows(const std::vector<std::vector<std::string>>& rows,
                               const std::vector<int>& items) {
    beginResetModel();
    m_rows.clear();
    m_items.clear();
    for (size_t i = 0; i < rows.size() && i < items.size(); ++i) {
        QStringList cells;
        for (size_t c = 0; c < m_ids.size(); ++c)
            cells << (c < rows[i].size() ? QString::fromStdString(rows[i][c]) : QString());
        m_rows.push_back(cells);
        m_items.push_back(items[i]);
    }
    endResetModel();
}

void ManagerListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_items.clear();
    endResetModel();
}

int ManagerListModel::Item(int row) const {
    return row >= 0 && size_t(row) < m_items.size() ? m_items[size_t(row)] : -1;
}

bool ManagerListModel::isConsistent() const {
    if (m_rows.size() != m_items.size()) return false;
    std::set<int> seen;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (size_t(m_rows[i].size()) != m_ids.size()) return false;
        if (m_items[i] < 0 || !seen.insert(m_items[i]).second) return false;
    }
    for (int id : m_ids)
        if (id < 0 || size_t(id) >= tools::ManagerColumns().size()) return false;
    return true;
}

int ManagerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ManagerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_ids.size());
}

QVariant ManagerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_rows.size()) return {};
    if (role == Qt::DisplayRole) return m_rows[size_t(index.row())].value(index.column());
    if (role == Qt::UserRole) return m_items[size_t(index.row())];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant ManagerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || size_t(section) >= m_ids.size()) return {};
    if (role == Qt::DisplayRole)
        return QString(tools::ManagerColumns()[size_t(m_ids[size_t(section)])].header);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

}  // namespace hd::desktop
