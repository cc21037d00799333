#include "desktop/ui/explorer/ExplorerWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeView>
#include <QUrl>

#include "desktop/session/Settings.h"
#include "desktop/tools/explorer/DropLists.h"
#include "desktop/tools/explorer/ExplorerRoots.h"
#include "desktop/tools/files/Location.h"
#include "desktop/tools/files/RemoteFiles.h"
#include "desktop/ui/dialogs/WaitBox.h"
#include "desktop/ui/explorer/FileListModel.h"
#include "desktop/ui/explorer/FolderTreeModel.h"
#include "desktop/ui/explorer/NewFolderDialog.h"
#include "desktop/ui/explorer/RenameDialog.h"
#include "desktop/ui/explorer/TransferProgressDialog.h"
#include "desktop/ui/help/HelpWindow.h"
#include "desktop/ui/main/Messages.h"

namespace hd::desktop {

namespace {
constexpr int kTreeWidth = 192;
constexpr const char* kTitle = "Handrel Explore - ";

// Whether path lies in (or is) folder on folder's machine.
bool Within(const std::string& path, const std::string& folder) {
    if (tools::IsDevicePath(path) != tools::IsDevicePath(folder)) return false;
    if (path == folder) return true;
    const char sep = tools::PathSeparator(folder);
    const std::string prefix = folder.back() == sep ? folder : folder + sep;
    return path.compare(0, prefix.size(), prefix) == 0;
}
}  // namespace

ExplorerWindow::ExplorerWindow(DesktopChannel& hc, Settings& store, QWidget* parent)
    : QMainWindow(parent, Qt::Window),
      m_channel(hc),
      m_store(store),
      m_list(new FileListModel(this)) {
    setObjectName("Explorer");
    setAttribute(Qt::WA_DeleteOnClose);
    m_tree = new FolderTreeModel(hc, m_list->Types(), this);
    BuildViews();
    BuildMenus();
    statusBar()->setSizeGripEnabled(true);  // there from the start: no jump at the first message
    resize(780, 500);

    WaitBox wait(this);
    wait.ShowText(text::kPleaseWait);
    m_tree->SetRoots(FolderTreeModel::SystemRoots());
    wait.Close();
    SelectFolder(tools::kHandheldRoot);
}

void ExplorerWindow::BuildViews() {
    m_treeView = new QTreeView;
    m_treeView->setObjectName("folders");
    m_treeView->setModel(m_tree);
    m_treeView->setHeaderHidden(true);
    m_treeView->setRootIsDecorated(true);
    m_treeView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_treeView->setAcceptDrops(true);
    m_treeView->setDragDropMode(QAbstractItemView::DropOnly);
    m_treeView->viewport()->installEventFilter(this);
    connect(m_treeView, &QTreeView::expanded, this, &ExplorerWindow::OnExpanded);
    connect(m_treeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ExplorerWindow::OnTreeSelection);

    m_details = new QTreeView;
    m_details->setObjectName("details");
    m_details->setModel(m_list);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSortIndicatorShown(true);
    m_details->header()->resizeSection(tools::kColumnName, 200);
    m_details->header()->resizeSection(tools::kColumnSize, 80);
    m_details->header()->resizeSection(tools::kColumnType, 150);
    connect(m_details->header(), &QHeaderView::sectionClicked, this, &ExplorerWindow::SortBy);

    m_icons = new QListView;
    m_icons->setObjectName("icons");
    m_icons->setModel(m_list);
    m_icons->setSelectionModel(m_details->selectionModel());
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWrapping(true);

    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        v->setSelectionMode(QAbstractItemView::ExtendedSelection);
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setDragEnabled(true);
        v->setAcceptDrops(true);
        v->setDragDropMode(QAbstractItemView::DragDrop);
        v->setDefaultDropAction(Qt::MoveAction);
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        v->viewport()->installEventFilter(this);
        connect(v, &QWidget::customContextMenuRequested, this, &ExplorerWindow::ShowListMenu);
        connect(v, &QAbstractItemView::doubleClicked, this, &ExplorerWindow::OnActivated);
    }
    connect(m_details->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ExplorerWindow::UpdateActions);

    m_views = new QStackedWidget;
    m_views->addWidget(m_details);
    m_views->addWidget(m_icons);
    auto* split = new QSplitter(Qt::Horizontal);
    split->setObjectName("split");
    split->addWidget(m_treeView);
    split->addWidget(m_views);
    split->setStretchFactor(1, 1);
    split->setSizes({kTreeWidth, 780 - kTreeWidth});
    setCentralWidget(split);
}

void ExplorerWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&New Folder", this, &ExplorerWindow::NewFolder);
    m_delete = file->addAction("Delete", this, &ExplorerWindow::Delete);
    m_rename = file->addAction("Rename", QKeySequence(Qt::Key_F2), this, &ExplorerWindow::Rename);
    // Del deletes only where the rows are: not while the tree has the focus.
    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        auto* del = new QAction(v);
        del->setShortcut(QKeySequence::Delete);
        del->setShortcutContext(Qt::WidgetShortcut);
        connect(del, &QAction::triggered, this, &ExplorerWindow::Delete);
        v->addAction(del);
    }
    file->addSeparator();
    file->addAction("Close", this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("&Edit");
    m_cut = edit->addAction("Cu&t", QKeySequence("Ctrl+X"), this, &ExplorerWindow::Cut);
    m_copy = edit->addAction("&Copy", QKeySequence("Ctrl+C"), this, &ExplorerWindow::Copy);
    m_paste = edit->addAction("&Paste", QKeySequence("Ctrl+V"), this, &ExplorerWindow::Paste);

    QMenu* view = menuBar()->addMenu("&View");
    m_modes = new QActionGroup(this);
    const std::pair<const char*, ViewMode> modes[] = {
        {"Large", Large}, {"Small", Small}, {"List", List}, {"Details", Details}};
    for (const auto& [name, mode] : modes) {
        QAction* a = view->addAction(name, this, [this, m = mode] { SetMode(m); });
        a->setCheckable(true);
        a->setChecked(mode == m_mode);
        a->setData(int(mode));
        m_modes->addAction(a);
    }
    view->addSeparator();
    view->addAction("Refresh", QKeySequence::Refresh, this, &ExplorerWindow::Refresh);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("Handrel Explore Help", this,
                    [this] { HelpWindow::ShowTopic("Explore", this); });
    UpdateActions();
}

QAbstractItemView* ExplorerWindow::CurrentView() const {
    return m_mode == Details ? static_cast<QAbstractItemView*>(m_details) : m_icons;
}

std::vector<std::string> ExplorerWindow::SelectedNames() const {
    std::vector<int> rows;
    for (const QModelIndex& i : m_details->selectionModel()->selectedIndexes())
        if (std::find(rows.begin(), rows.end(), i.row()) == rows.end()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> names;
    for (int r : rows) names.push_back(m_list->Row(r).name);
    return names;
}

void ExplorerWindow::SelectNames(const std::vector<std::string>& names) {
    QItemSelection selection;
    for (const std::string& n : names) {
        const int row = m_list->RowOf(n);
        if (row >= 0)
            selection.select(m_list->index(row, 0),
                             m_list->index(row, tools::kExplorerColumns - 1));
    }
    m_details->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ExplorerWindow::UpdateActions() {
    const size_t selected = SelectedNames().size();
    m_cut->setEnabled(selected > 0);
    m_copy->setEnabled(selected > 0);
    m_delete->setEnabled(selected > 0);
    m_rename->setEnabled(selected == 1);
    m_paste->setEnabled(!m_clipboard.entries.empty());
}

bool ExplorerWindow::SelectFolder(const std::string& path) {
    // The deepest root that holds the path.
    QModelIndex node;
    size_t best = 0;
    for (int i = 0; i < m_tree->rowCount(); ++i) {
        const std::string root = m_tree->PathOf(m_tree->index(i, 0));
        if (Within(path, root) && root.size() > best) {
            node = m_tree->index(i, 0);
            best = root.size();
        }
    }
    if (!node.isValid()) return false;
    std::string rest = path.substr(std::min(best, path.size()));
    const char sep = tools::PathSeparator(path);
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find(sep, start);
        if (end == std::string::npos) end = rest.size();
        const QString name = QString::fromStdString(rest.substr(start, end - start));
        start = end + 1;
        if (name.isEmpty()) continue;
        m_treeView->expand(node);
        const QModelIndex child = m_tree->FindChild(node, name);
        if (!child.isValid()) return false;
        node = child;
    }
    if (m_treeView->currentIndex() == node) {
        LoadFolder(path);
    } else {
        m_treeView->setCurrentIndex(node);
    }
    return true;
}

void ExplorerWindow::OnTreeSelection() {
    const QModelIndex index = m_treeView->currentIndex();
    if (m_rebuilding || !index.isValid() || m_tree->IsPlaceholder(index)) return;
    LoadFolder(m_tree->PathOf(index));
}

void ExplorerWindow::OnExpanded(const QModelIndex& index) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_rebuilding = true;
    const bool any = m_tree->Expand(index);
    // The node of the folder in view may have been rebuilt: select its new
    // copy without listing the folder again.
    const QModelIndexList again =
        m_tree->match(m_tree->index(0, 0), FolderTreeModel::PathRole,
                      QString::fromStdString(m_folder), 1, Qt::MatchExactly | Qt::MatchRecursive);
    if (!again.isEmpty() && m_treeView->currentIndex() != again.first())
        m_treeView->setCurrentIndex(again.first());
    m_rebuilding = false;
    QApplication::restoreOverrideCursor();
    if (!any) m_treeView->collapse(index);  // nothing below: the expansion is refused
}

void ExplorerWindow::LoadFolder(const std::string& path) {
    m_folder = path;
    setWindowTitle(kTitle + QString::fromStdString(path));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    tools::RecordList records;
    // A folder that cannot be listed shows empty; the title still names it.
    tools::RemoteFiles::ReadRecs(m_channel, tools::JoinPath(path, "*.*"), records, false);
    std::vector<tools::ExplorerRow> rows =
        tools::RowsFromListing(records, m_list->Types().Lookup());
    QApplication::restoreOverrideCursor();
    m_sort = tools::SortToggle::FromStored(m_store.SortCol(), m_store.SortAsc() ? 1 : 0);
    tools::SortRows(rows, m_sort.column, false);
    m_list->SetRows(path, std::move(rows));
    m_details->header()->setSortIndicator(m_sort.column, Qt::AscendingOrder);
    UpdateActions();
}

void ExplorerWindow::SortBy(int column) {
    const bool descending = m_sort.Click(column);
    const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_list->sort(m_sort.column, order);
    m_details->header()->setSortIndicator(m_sort.column, order);
    m_store.SetSortCol(m_sort.column);
    m_store.SetSortAsc(m_sort.toggle);
}

void ExplorerWindow::OnActivated(const QModelIndex& index) {
    if (!index.isValid() || !m_list->Row(index.row()).IsFolder()) return;
    const std::string name = m_list->Row(index.row()).name;
    const QModelIndex node = m_treeView->currentIndex();
    if (node.isValid() && m_tree->PathOf(node) == m_folder) {
        m_treeView->expand(node);
        const QModelIndex child = m_tree->FindChild(node, QString::fromStdString(name));
        if (child.isValid()) {
            m_treeView->setCurrentIndex(child);
            return;
        }
    }
    LoadFolder(tools::JoinPath(m_folder, name));
}

void ExplorerWindow::RefreshTreeFolder() {
    const QModelIndex node = m_treeView->currentIndex();
    if (!node.isValid()) return;
    const bool open = m_treeView->isExpanded(node);
    const bool any = m_tree->Expand(node);
    if (open && any) m_treeView->expand(node);
}

void ExplorerWindow::Refresh() {
    const std::vector<std::string> keep = SelectedNames();
    LoadFolder(m_folder);
    SelectNames(keep);
}

void ExplorerWindow::FillClipboard(tools::TransferList::Operation operation) {
    const QModelIndexList selected = m_details->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return;
    m_clipboard = m_list->Entries(selected);
    m_clipboard.operation = operation;
    UpdateActions();
}

void ExplorerWindow::Cut() {
    FillClipboard(tools::TransferList::Move);
}

void ExplorerWindow::Copy() {
    FillClipboard(tools::TransferList::Copy);
}

void ExplorerWindow::Paste() {
    if (m_clipboard.entries.empty()) return;
    RunTransfers({m_clipboard}, m_folder);
    LoadFolder(m_folder);
    RefreshTreeFolder();
}

void ExplorerWindow::Delete() {
    if (SelectedNames().empty()) return;
    // No question first: the engine's own questions are the only ones.
    FillClipboard(tools::TransferList::Delete);
    RunTransfers({m_clipboard}, m_folder);
    m_clipboard.entries.clear();
    LoadFolder(m_folder);
    RefreshTreeFolder();
}

void ExplorerWindow::Rename() {
    const std::vector<std::string> names = SelectedNames();
    if (names.size() != 1) return;
    const std::string from = tools::JoinPath(m_folder, names[0]);
    RenameDialog dialog(QString::fromStdString(from), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::string to = dialog.To().toStdString();
    if (to == from) return;
    bool ok = false;
    if (!tools::RemoteFiles::RenameFile(m_channel, from, to, ok) || !ok) {
        QMessageBox::critical(this, "Handrel Explore", "Error renaming file");
        return;
    }
    LoadFolder(m_folder);
}

void ExplorerWindow::NewFolder() {
    NewFolderDialog dialog(QString::fromStdString(m_folder), this);
    if (dialog.exec() != QDialog::Accepted) return;
    std::string name = dialog.Name().toStdString();
    while (!name.empty() && (name[0] == '\\' || name[0] == '/')) name.erase(0, 1);
    if (name.empty()) return;
    bool ok = false;
    if (!tools::RemoteFiles::MkDir(m_channel, tools::JoinPath(m_folder, name), ok) || !ok) {
        QMessageBox::critical(this, "Handrel Explore", "Error creating directory");
        return;
    }
    LoadFolder(m_folder);
    RefreshTreeFolder();
}

void ExplorerWindow::SetMode(ViewMode mode) {
    m_mode = mode;
    for (QAction* a : m_modes->actions()) a->setChecked(a->data().toInt() == int(mode));
    if (mode == Details) {
        m_views->setCurrentWidget(m_details);
        return;
    }
    m_icons->setViewMode(mode == Large ? QListView::IconMode : QListView::ListMode);
    m_icons->setIconSize(mode == Large ? QSize(32, 32) : QSize(16, 16));
    m_icons->setFlow(mode == List ? QListView::TopToBottom : QListView::LeftToRight);
    m_icons->setGridSize(mode == Large ? QSize(96, 72) : mode == Small ? QSize(180, 22) : QSize());
    m_icons->setWrapping(true);
    m_icons->setMovement(QListView::Static);
    m_views->setCurrentWidget(m_icons);
}

void ExplorerWindow::ShowListMenu(const QPoint& pos) {
    auto* view = qobject_cast<QAbstractItemView*>(sender());
    if (!view) return;
    QMenu menu(this);
    menu.addAction("Cut", this, &ExplorerWindow::Cut);
    menu.addAction("Copy", this, &ExplorerWindow::Copy);
    menu.addAction("Paste", this, &ExplorerWindow::Paste);
    menu.addSeparator();
    menu.addAction("Rename", this, &ExplorerWindow::Rename);
    menu.addAction("Delete", this, &ExplorerWindow::Delete);
    menu.exec(view->viewport()->mapToGlobal(pos));
}

bool ExplorerWindow::RunTransfers(const std::vector<tools::TransferList>& lists,
                                  const std::string& folder) {
    const bool all = TransferProgressDialog::RunAll(m_channel, lists, folder, this, m_summary);
    statusBar()->showMessage(m_summary, 8000);
    return all;
}

std::string ExplorerWindow::DropTarget(QObject* viewport, const QPoint& pos) const {
    if (viewport == m_treeView->viewport()) {
        const QModelIndex node = m_treeView->indexAt(pos);
        return node.isValid() && !m_tree->IsPlaceholder(node) ? m_tree->PathOf(node)
                                                              : std::string();
    }
    const QModelIndex row = CurrentView()->indexAt(pos);
    if (row.isValid() && m_list->Row(row.row()).IsFolder())
        return tools::JoinPath(m_folder, m_list->Row(row.row()).name);
    return m_folder;
}

bool ExplorerWindow::DropInto(const std::string& folder, const QMimeData* data, bool copy) {
    if (folder.empty() || !data) return false;
    std::vector<tools::TransferList> lists;
    if (data->hasFormat(kEntriesMime)) {
        tools::TransferList list;
        if (!DecodeEntries(data->data(kEntriesMime), list) || list.sourceFolder == folder)
            return false;
        list.operation = copy ? tools::TransferList::Copy : tools::TransferList::Move;
        lists.push_back(std::move(list));
    } else if (data->hasUrls()) {
        std::vector<std::string> paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
        lists = tools::ListsFromPaths(m_channel, paths, tools::TransferList::Copy);
    }
    if (lists.empty()) return false;
    RunTransfers(lists, folder);
    LoadFolder(m_folder);
    RefreshTreeFolder();
    return true;
}

bool ExplorerWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QMainWindow::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    const bool rows = data->hasFormat(kEntriesMime);
    if (!rows && !data->hasUrls()) {
        drop->ignore();
        return true;
    }
    const bool copy = !rows || (drop->modifiers() & Qt::ControlModifier);
    const std::string target = DropTarget(watched, drop->position().toPoint());
    if (type == QEvent::DragEnter) {
        drop->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
        drop->accept();
        return true;
    }
    if (target.empty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    drop->accept();
    // The transfer runs once the drag has ended, not inside the drop.
    if (type == QEvent::Drop) {
        auto* held = new QMimeData;
        for (const QString& f : data->formats()) held->setData(f, data->data(f));
        if (data->hasUrls()) held->setUrls(data->urls());
        QMetaObject::invokeMethod(
            this,
            [this, held, target, copy] {
                DropInto(target, held, copy);
                delete held;
            },
            Qt::QueuedConnection);
    }
    return true;
}

void ExplorerWindow::closeEvent(QCloseEvent* event) {
    event->accept();
}

}  // namespace hd::desktop
