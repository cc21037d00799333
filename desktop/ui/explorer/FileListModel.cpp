#include "desktop/ui/explorer/FileListModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QSet>

namespace hd::desktop {

using tools::ExplorerRow;

QByteArray EncodeEntries(const tools::TransferList& list) {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << QString::fromStdString(list.sourceFolder) << quint32(list.entries.size());
    for (const tools::TransferEntry& e : list.entries)
        out << quint32(e.attributes) << quint64(e.size) << QString::fromStdString(e.name);
    return data;
}

bool DecodeEntries(const QByteArray& data, tools::TransferList& list) {
    QDataStream in(data);
    QString folder;
    quint32 count = 0;
    in >> folder >> count;
    list.sourceFolder = folder.toStdString();
    list.entries.clear();
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        quint32 attributes = 0;
        quint64 size = 0;
        QString name;
        in >> attributes >> size >> name;
        list.entries.push_back({attributes, name.toStdString(), size});
    }
    return in.status() == QDataStream::Ok && !list.entries.empty();
}

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::SetRows(const std::string& folder, std::vector<ExplorerRow> rows) {
    beginResetModel();
    m_folder = folder;
    m_rows = std::move(rows);
    endResetModel();
}

int FileListModel::RowOf(const std::string& name) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].name == name) return int(i);
    return -1;
}

tools::TransferList FileListModel::Entries(const QModelIndexList& indexes) const {
    tools::TransferList list;
    list.sourceFolder = m_folder;
    QSet<int> seen;
    for (const QModelIndex& i : indexes) {
        if (!i.isValid() || seen.contains(i.row())) continue;
        seen.insert(i.row());
        const ExplorerRow& r = Row(i.row());
        list.entries.push_back({r.attributes, r.name, r.size});
    }
    return list;
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : tools::kExplorerColumns;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size())) return {};
    const ExplorerRow& r = m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
            case tools::kColumnName:
                return QString::fromStdString(r.name);
            case tools::kColumnSize:
                return QString::fromStdString(tools::SizeText(r));
            case tools::kColumnType:
                return QString::fromStdString(r.type);
            case tools::kColumnModified:
                return QString::fromStdString(tools::ModifiedText(r));
        }
    }
    if (role == Qt::DecorationRole && index.column() == tools::kColumnName)
        return const_cast<FileTypeIcons&>(m_types).Icon(r);
    if (role == Qt::TextAlignmentRole && index.column() == tools::kColumnSize)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeaders[] = {"Name", "Size", "Type", "Modified"};
    if (orientation != Qt::Horizontal || section < 0 || section >= tools::kExplorerColumns)
        return {};
    if (role == Qt::DisplayRole) return QString(kHeaders[section]);
    if (role == Qt::TextAlignmentRole && section == tools::kColumnSize)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (Row(index.row()).IsFolder()) f |= Qt::ItemIsDropEnabled;
    return f;
}

void FileListModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::string> names;
    for (const QModelIndex& i : before) names.push_back(Row(i.row()).name);
    tools::SortRows(m_rows, column, order == Qt::DescendingOrder);
    QModelIndexList after;
    for (size_t k = 0; k < names.size(); ++k)
        after.push_back(index(RowOf(names[k]), before[int(k)].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList FileListModel::mimeTypes() const {
    return {kEntriesMime};
}

QMimeData* FileListModel::mimeData(const QModelIndexList& indexes) const {
    auto* data = new QMimeData;
    data->setData(kEntriesMime, EncodeEntries(Entries(indexes)));
    return data;
}

bool FileListModel::isConsistent() const {
    QSet<QString> names;
    for (const ExplorerRow& r : m_rows) {
        if (r.name.empty() || r.type.empty() || (r.attributes & tools::kAttrSystem)) return false;
        if (r.IsFolder() && (r.name == "." || r.name == "..")) return false;
        if (r.IsFolder() != (r.type == tools::kFolderType)) return false;
        names.insert(QString::fromStdString(r.name));
    }
    return names.size() == int(m_rows.size());
}

}  // namespace hd::desktop
