// ManagerListModel: the rows of one list of the Handrel Manager (tasks,
// threads or modules) as text, with the manager's column table for headers
// and each row's record index as its item data, so that a sorted view still
// names the right record. User-interface thread; owned by its view. It never
// holds a row with another number of cells than it has columns.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <vector>

namespace hd::desktop {

class ManagerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // ids are the manager's column ids, in display order.
    explicit ManagerListModel(std::vector<int> ids, QObject* parent = nullptr);

    // Replaces every row; items[i] is row i's record index.
    void SetRows(const std::vector<std::vector<std::string>>& rows, const std::vector<int>& items);
    void Clear();
    // The record index of a row; -1 outside the rows.
    int Item(int row) const;
    int ColumnId(int column) const { return m_ids.at(size_t(column)); }
    bool isConsistent() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<int> m_ids;
    std::vector<QStringList> m_rows;
    std::vector<int> m_items;
};

}  // namespace hd::desktop
