// The desktop's file types and icons for the explorer's rows: type names from
// the MIME database by extension, icons from the icon theme. Only names are
// looked at, never a file's bytes, so no handheld file is ever read for an
// icon. User-interface thread; owned by the file list's model.
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <string>

#include "desktop/tools/explorer/ExplorerRows.h"

namespace hd::desktop {

class FileTypeIcons {
public:
    FileTypeIcons();

    // The desktop's name for ".txt" etc.; "" when it has none of its own.
    std::string TypeName(const std::string& extension);
    tools::TypeLookup Lookup() {
        return [this](const std::string& e) { return TypeName(e); };
    }
    QIcon Icon(const tools::ExplorerRow& row);
    QIcon FolderIcon() const { return m_folder; }
    QIcon DeviceIcon() const { return m_device; }
    QIcon DriveIcon() const { return m_drive; }
    QIcon HomeIcon() const { return m_home; }

private:
    QHash<QString, QString> m_names;  // extension -> type name
    QHash<QString, QIcon> m_icons;    // extension -> icon
    QIcon m_folder, m_file, m_program, m_device, m_drive, m_home;
};

}  // namespace hd::desktop
