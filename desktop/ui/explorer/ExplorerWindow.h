// ExplorerWindow ("Handrel Explore - " and the folder in view): the folder
// tree of both machines on the left, the file list of the selected folder
// on the right, and the commands on them: Cut, Copy, Paste, Delete, Rename,
// New Folder, Refresh, the four view modes, drags between its panes and
// drops from other programs. Paste, Delete and drops run the transfer engine
// off this thread behind a progress window. User-interface thread; one at a
// time, made and focused by the main window; it deletes itself when closed.
#pragma once

#include <QMainWindow>
#include <string>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/explorer/ExplorerRows.h"
#include "desktop/tools/transfer/TransferList.h"

class QAbstractItemView;
class QAction;
class QActionGroup;
class QListView;
class QMenu;
class QStackedWidget;
class QTreeView;
class QMimeData;

namespace hd::desktop {

class FileListModel;
class FolderTreeModel;
class Settings;

class ExplorerWindow : public QMainWindow {
    Q_OBJECT
public:
    enum ViewMode { Large, Small, List, Details };

    ExplorerWindow(DesktopChannel& hc, Settings& store, QWidget* parent = nullptr);

    // Selects the folder's node in the tree (a root, or below one, opening
    // the nodes on the way) and lists it; false when no node leads there.
    bool SelectFolder(const std::string& path);
    const std::string& Folder() const { return m_folder; }
    void LoadFolder(const std::string& path);

    FileListModel* ListModel() const { return m_list; }
    FolderTreeModel* TreeModel() const { return m_tree; }
    QTreeView* TreeView() const { return m_treeView; }
    QTreeView* DetailsView() const { return m_details; }
    QListView* IconView() const { return m_icons; }
    ViewMode Mode() const { return m_mode; }
    const tools::TransferList& Clipboard() const { return m_clipboard; }
    // The selected rows' names, in list order.
    std::vector<std::string> SelectedNames() const;
    void SelectNames(const std::vector<std::string>& names);

    void Cut();
    void Copy();
    void Paste();
    void Delete();
    void Rename();
    void NewFolder();
    void Refresh();
    void SetMode(ViewMode mode);
    void SortBy(int column);
    // Dropped data onto a folder: desktop files (copied) or explorer rows
    // (moved, copied when copy is set). True when a transfer ran.
    bool DropInto(const std::string& folder, const QMimeData* data, bool copy);
    // Runs the lists into the folder behind a progress window; false when
    // one was cancelled or stopped.
    bool RunTransfers(const std::vector<tools::TransferList>& lists, const std::string& folder);
    // What the last transfer did ("3 of 3 files done", "Cancelled: ...").
    QString LastSummary() const { return m_summary; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildViews();
    QAbstractItemView* CurrentView() const;
    void UpdateActions();
    void OnTreeSelection();
    void OnExpanded(const QModelIndex& index);
    void OnActivated(const QModelIndex& index);
    void RefreshTreeFolder();
    void FillClipboard(tools::TransferList::Operation operation);
    // The folder a drop at pos of the watched viewport goes to; "" for none.
    std::string DropTarget(QObject* viewport, const QPoint& pos) const;
    void ShowListMenu(const QPoint& pos);

    DesktopChannel& m_channel;
    Settings& m_store;
    FolderTreeModel* m_tree;
    FileListModel* m_list;
    QTreeView* m_treeView = nullptr;
    QTreeView* m_details = nullptr;
    QListView* m_icons = nullptr;
    QStackedWidget* m_views = nullptr;
    std::string m_folder;
    tools::TransferList m_clipboard;
    tools::SortToggle m_sort;
    ViewMode m_mode = Details;
    QString m_summary;
    bool m_rebuilding = false;  // tree nodes are being rebuilt: no listing

    QAction* m_cut = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_rename = nullptr;
    QActionGroup* m_modes = nullptr;
};

}  // namespace hd::desktop
