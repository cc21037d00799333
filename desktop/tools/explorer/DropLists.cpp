#include "desktop/tools/explorer/DropLists.h"

#include "desktop/tools/files/Location.h"
#include "desktop/tools/files/RemoteFiles.h"

namespace hd::tools {

std::vector<TransferList> ListsFromPaths(desktop::DesktopChannel& hc,
                                         const std::vector<std::string>& paths,
                                         TransferList::Operation operation) {
    std::vector<TransferList> lists;
    for (const std::string& path : paths) {
        const std::string name = LastComponent(path);
        if (name.empty()) continue;
        bool found = false;
        FileRecord record;
        if (!RemoteFiles::GetFileInfo(hc, path, found, record) || !found) continue;
        const std::string folder = ParentPath(path);
        if (lists.empty() || lists.back().sourceFolder != folder) {
            lists.push_back({});
            lists.back().sourceFolder = folder;
            lists.back().operation = operation;
        }
        lists.back().entries.push_back({record.Attributes(), name, record.FileSize()});
    }
    return lists;
}

bool EnsureFolder(desktop::DesktopChannel& hc, const std::string& folder) {
    bool exists = false;
    if (IsDevicePath(folder) && RemoteFiles::Cd(hc, StripLocation(folder), exists) && exists)
        return true;
    bool made = false;
    return RemoteFiles::MkDir(hc, folder, made) && made;
}

}  // namespace hd::tools
