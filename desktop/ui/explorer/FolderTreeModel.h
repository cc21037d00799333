// FolderTreeModel: the explorer's folder tree. Its roots are the desktop's
// volumes and home folder, then the handheld's "1:\"; a node that has
// subfolders carries one empty placeholder child, so that it shows an
// expansion button, until it is expanded and its children are listed. A
// folder that cannot be listed shows no children. User-interface thread;
// owned by the explorer window; it lists through the file client.
#pragma once

#include <QStandardItemModel>
#include <string>
#include <vector>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/explorer/ExplorerRoots.h"
#include "desktop/ui/explorer/FileTypeIcons.h"

namespace hd::desktop {

class FolderTreeModel : public QStandardItemModel {
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1, PlaceholderRole };

    FolderTreeModel(DesktopChannel& hc, FileTypeIcons& icons, QObject* parent = nullptr);

    // The mounted real file systems and the home folder, as the system says.
    static std::vector<tools::ExplorerRoot> SystemRoots();
    void SetRoots(const std::vector<tools::ExplorerRoot>& roots);

    // Lists the node's subfolders as its children; false (and no children,
    // a root keeping its placeholder) when there are none.
    bool Expand(const QModelIndex& index);
    // The node's full path ("1:\My Documents", "/home/ann").
    std::string PathOf(const QModelIndex& index) const;
    QModelIndex FindChild(const QModelIndex& parent, const QString& name) const;
    QModelIndex RootIndex(const std::string& path) const;
    bool IsPlaceholder(const QModelIndex& index) const;

    // Every real node knows its path, built from its parent's; a placeholder
    // is an only child.
    bool isConsistent() const;

private:
    QStandardItem* Node(const std::string& path, const QString& text, const QIcon& icon);
    void AddPlaceholder(QStandardItem* item);
    bool NodeConsistent(const QStandardItem* item) const;

    DesktopChannel& m_channel;
    FileTypeIcons& m_icons;
};

}  // namespace hd::desktop
