#include "desktop/ui/explorer/FileTypeIcons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStyle>

namespace hd::desktop {

namespace {
// The theme's icon, or the style's standard one where the theme has none.
QIcon Themed(const char* name, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(name);
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}
}  // namespace

FileTypeIcons::FileTypeIcons() {
    QFileIconProvider provider;
    m_folder = provider.icon(QAbstractFileIconProvider::Folder);
    m_file = provider.icon(QAbstractFileIconProvider::File);
    m_drive = provider.icon(QAbstractFileIconProvider::Drive);
    if (m_folder.isNull()) m_folder = Themed("folder", QStyle::SP_DirIcon);
    if (m_file.isNull()) m_file = Themed("text-x-generic", QStyle::SP_FileIcon);
    if (m_drive.isNull()) m_drive = Themed("drive-harddisk", QStyle::SP_DriveHDIcon);
    m_program = Themed("application-x-executable", QStyle::SP_FileIcon);
    m_device = Themed("phone", QStyle::SP_ComputerIcon);
    m_home = Themed("user-home", QStyle::SP_DirHomeIcon);
}

std::string FileTypeIcons::TypeName(const std::string& extension) {
    const QString ext = QString::fromStdString(extension);
    auto it = m_names.find(ext);
    if (it == m_names.end()) {
        static const QMimeDatabase db;
        const QMimeType type = db.mimeTypeForFile("x" + ext, QMimeDatabase::MatchExtension);
        it = m_names.insert(ext, type.isDefault() ? QString() : type.comment());
    }
    return it->toStdString();
}

QIcon FileTypeIcons::Icon(const tools::ExplorerRow& row) {
    if (row.IsFolder()) return m_folder;
    const std::string ext = tools::FileExtension(row.name);
    if (ext.empty()) return m_file;
    const QString key = QString::fromStdString(ext).toLower();
    auto it = m_icons.find(key);
    if (it == m_icons.end()) {
        static const QMimeDatabase db;
        const QMimeType type = db.mimeTypeForFile("x." + key, QMimeDatabase::MatchExtension);
        QIcon icon;
        if (!type.isDefault()) {
            icon = QIcon::fromTheme(type.iconName());
            if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
        }
        if (icon.isNull()) icon = key == "exe" ? m_program : m_file;
        it = m_icons.insert(key, icon);
    }
    return *it;
}

}  // namespace hd::desktop
