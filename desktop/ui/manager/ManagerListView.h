// ManagerListView: one list of the Handrel Manager: full-row selection of one
// row, movable column headers, click-to-sort, the column widths of the
// manager's table, and "There are no processed to display" over an empty
// list. It owns its model and a sorting proxy; the buttons ask it for the
// selected row's record index. User-interface thread.
#pragma once

#include <QTreeView>
#include <vector>

class QSortFilterProxyModel;

namespace hd::desktop {

class ManagerListModel;

class ManagerListView : public QTreeView {
    Q_OBJECT
public:
    ManagerListView(std::vector<int> columnIds, QWidget* parent = nullptr);

    ManagerListModel& Model() const { return *m_model; }
    // The record index of the selected row; -1 with no selection.
    int SelectedItem() const;
    // Selects the row of a record index; false when no row holds it.
    bool SelectItem(int item);
    // The display text of a cell in view order (as sorted).
    QString Text(int row, int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ManagerListModel* m_model;
    QSortFilterProxyModel* m_proxy;
};

}  // namespace hd::desktop
