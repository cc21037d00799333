#include "desktop/ui/explorer/FolderTreeModel.h"

#include <QDir>
#include <QStorageInfo>
#include <algorithm>

#include "desktop/tools/files/Location.h"
#include "desktop/tools/files/RemoteFiles.h"

namespace hd::desktop {

namespace {
// File systems that hold no files of the user's.
bool IsRealVolume(const QStorageInfo& s) {
    static const QStringList kPseudo = {"tmpfs",    "devtmpfs", "proc",    "sysfs",  "overlay",
                                        "squashfs", "cgroup",   "cgroup2", "devpts", "ramfs"};
    return s.isValid() && s.isReady() && !kPseudo.contains(QString(s.fileSystemType()));
}
}  // namespace

FolderTreeModel::FolderTreeModel(DesktopChannel& hc, FileTypeIcons& icons, QObject* parent)
    : QStandardItemModel(parent), m_channel(hc), m_icons(icons) {
    setHorizontalHeaderLabels({"Folders"});
}

std::vector<tools::ExplorerRoot> FolderTreeModel::SystemRoots() {
    std::vector<std::string> mounts;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        if (IsRealVolume(s)) mounts.push_back(s.rootPath().toStdString());
    if (std::find(mounts.begin(), mounts.end(), "/") == mounts.end()) mounts.push_back("/");
    return tools::ExplorerRoots(mounts, QDir::homePath().toStdString());
}

QStandardItem* FolderTreeModel::Node(const std::string& path, const QString& text,
                                     const QIcon& icon) {
    auto* item = new QStandardItem(icon, text);
    item->setEditable(false);
    item->setData(QString::fromStdString(path), PathRole);
    item->setDropEnabled(true);
    item->setDragEnabled(false);
    return item;
}

void FolderTreeModel::AddPlaceholder(QStandardItem* item) {
    auto* placeholder = new QStandardItem;
    placeholder->setEditable(false);
    placeholder->setData(true, PlaceholderRole);
    placeholder->setFlags(Qt::NoItemFlags);
    item->appendRow(placeholder);
}

void FolderTreeModel::SetRoots(const std::vector<tools::ExplorerRoot>& roots) {
    clear();
    setHorizontalHeaderLabels({"Folders"});
    for (const tools::ExplorerRoot& r : roots) {
        const QIcon icon = r.kind == tools::ExplorerRoot::Handheld ? m_icons.DeviceIcon()
                           : r.kind == tools::ExplorerRoot::Home   ? m_icons.HomeIcon()
                                                                   : m_icons.DriveIcon();
        QStandardItem* item = Node(r.path, QString::fromStdString(r.path), icon);
        appendRow(item);
        bool has = false;
        if (tools::RemoteFiles::HasChildDirs(m_channel, tools::JoinPath(r.path, "*.*"), has) && has)
            AddPlaceholder(item);
    }
}

bool FolderTreeModel::Expand(const QModelIndex& index) {
    QStandardItem* item = itemFromIndex(index);
    if (!item || IsPlaceholder(index)) return false;
    item->removeRows(0, item->rowCount());
    const std::string path = PathOf(index);
    tools::RecordList records;
    const bool listed =
        tools::RemoteFiles::ReadRecs(m_channel, tools::JoinPath(path, "*.*"), records, true);
    std::vector<std::pair<std::string, bool>> folders;
    for (size_t i = 0; i < records.Count(); ++i) {
        const tools::FileRecord r = records.At(i);
        const std::string name = r.Name();
        if (!r.IsDirectory() || name == "." || name == ".." || !tools::IsSafeEntryName(name))
            continue;
        if (r.Attributes() & tools::kAttrSystem) continue;
        folders.emplace_back(name, r.HasSubdirs());
    }
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        return QString::fromStdString(a.first).compare(QString::fromStdString(b.first),
                                                       Qt::CaseInsensitive) < 0;
    });
    for (const auto& [name, hasSubdirs] : folders) {
        QStandardItem* child =
            Node(tools::JoinPath(path, name), QString::fromStdString(name), m_icons.FolderIcon());
        item->appendRow(child);
        if (hasSubdirs) AddPlaceholder(child);
    }
    // A root whose listing failed stays expandable, to try again.
    if (folders.empty() && !listed && !index.parent().isValid()) AddPlaceholder(item);
    return !folders.empty();
}

std::string FolderTreeModel::PathOf(const QModelIndex& index) const {
    return index.data(PathRole).toString().toStdString();
}

bool FolderTreeModel::IsPlaceholder(const QModelIndex& index) const {
    return index.data(PlaceholderRole).toBool();
}

QModelIndex FolderTreeModel::FindChild(const QModelIndex& parent, const QString& name) const {
    for (int i = 0; i < rowCount(parent); ++i) {
        const QModelIndex child = index(i, 0, parent);
        if (!IsPlaceholder(child) && child.data().toString() == name) return child;
    }
    return {};
}

QModelIndex FolderTreeModel::RootIndex(const std::string& path) const {
    for (int i = 0; i < rowCount(); ++i)
        if (PathOf(index(i, 0)) == path) return index(i, 0);
    return {};
}

bool FolderTreeModel::NodeConsistent(const QStandardItem* item) const {
    const std::string path = item->data(PathRole).toString().toStdString();
    for (int i = 0; i < item->rowCount(); ++i) {
        const QStandardItem* child = item->child(i);
        if (child->data(PlaceholderRole).toBool()) {
            if (item->rowCount() != 1 || child->hasChildren()) return false;
            continue;
        }
        if (child->data(PathRole).toString().toStdString() !=
            tools::JoinPath(path, child->text().toStdString()))
            return false;
        if (!NodeConsistent(child)) return false;
    }
    return true;
}

bool FolderTreeModel::isConsistent() const {
    for (int i = 0; i < rowCount(); ++i) {
        const QStandardItem* root = item(i);
        if (root->data(PathRole).toString() != root->text()) return false;
        if (!NodeConsistent(root)) return false;
    }
    // The handheld comes last.
    return rowCount() == 0 || item(rowCount() - 1)->text() == tools::kHandheldRoot;
}

}  // namespace hd::desktop
