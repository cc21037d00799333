// FileListModel: the explorer's file list, one row per entry of the current
// folder (Name, Size, Type, Modified), sorted by the header's rules, and the
// source of row drags (the entries as a transfer list). User-interface
// thread; owned by the explorer window.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "desktop/tools/explorer/ExplorerRows.h"
#include "desktop/tools/transfer/TransferList.h"
#include "desktop/ui/explorer/FileTypeIcons.h"

namespace hd::desktop {

// The drag format of explorer rows: a transfer list's folder and entries.
inline constexpr const char* kEntriesMime = "application/x-handrel-entries";
QByteArray EncodeEntries(const tools::TransferList& list);
bool DecodeEntries(const QByteArray& data, tools::TransferList& list);

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    // Replaces the rows with the entries of folder, in the listed order.
    void SetRows(const std::string& folder, std::vector<tools::ExplorerRow> rows);
    const std::string& Folder() const { return m_folder; }
    const tools::ExplorerRow& Row(int row) const { return m_rows[size_t(row)]; }
    int RowOf(const std::string& name) const;
    FileTypeIcons& Types() { return m_types; }
    // The rows as a transfer list of the current folder.
    tools::TransferList Entries(const QModelIndexList& indexes) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override {
        return Qt::CopyAction | Qt::MoveAction;
    }

    // No "." or "..", no system entries, a type on every row.
    bool isConsistent() const;

private:
    std::string m_folder;
    std::vector<tools::ExplorerRow> m_rows;
    FileTypeIcons m_types;
};

}  // namespace hd::desktop
