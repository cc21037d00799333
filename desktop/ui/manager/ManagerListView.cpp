#include "desktop/ui/manager/ManagerListView.h"

#include <QHeaderView>
#include <QPainter>
#include <QSortFilterProxyModel>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/ui/manager/ManagerListModel.h"

namespace hd::desktop {

ManagerListView::ManagerListView(std::vector<int> ids, QWidget* parent)
    : QTreeView(parent),
      m_model(new ManagerListModel(ids, this)),
      m_proxy(new QSortFilterProxyModel(this)) {
    m_proxy->setSourceModel(m_model);
    setModel(m_proxy);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(true);
    sortByColumn(-1, Qt::AscendingOrder);  // record order until a header is clicked
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (size_t c = 0; c < ids.size(); ++c)
        setColumnWidth(int(c), tools::ManagerColumns()[size_t(ids[c])].width);
}

int ManagerListView::SelectedItem() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    return m_model->Item(m_proxy->mapToSource(rows.first()).row());
}

bool ManagerListView::SelectItem(int item) {
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->Item(r) != item) continue;
        const QModelIndex at = m_proxy->mapFromSource(m_model->index(r, 0));
        selectionModel()->setCurrentIndex(
            at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    return false;
}

QString ManagerListView::Text(int row, int column) const {
    return m_proxy->index(row, column).data().toString();
}

void ManagerListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_model->rowCount() > 0) return;
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(viewport()->rect().adjusted(0, 8, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
               tools::kNoProcesses);
}

}  // namespace hd::desktop
