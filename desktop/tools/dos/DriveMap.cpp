#include "desktop/tools/dos/DriveMap.h"

#include <QStorageInfo>
#include <cctype>

namespace hd::tools {

DriveMap::DriveMap() {
    m_folders[2] = "/";
}

int DriveMap::Index(char letter) {
    const int c = std::toupper(uint8_t(letter));
    return c >= 'C' && c <= 'Y' ? c - 'A' : -1;
}

DriveMap DriveMap::FromSystem() {
    DriveMap map;
    char next = 'D';
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (next > 'Y') break;
        if (!volume.isValid() || !volume.isReady() || volume.isRoot()) continue;
        const std::string folder = volume.rootPath().toStdString();
        if (folder.empty() || folder == "/") continue;
        bool seen = false;
        for (const std::string& f : map.m_folders) seen = seen || f == folder;
        if (!seen) map.Map(next++, folder);
    }
    return map;
}

bool DriveMap::Map(char letter, std::string folder) {
    const int i = Index(letter);
    if (i < 0 || folder.empty()) return false;
    m_folders[size_t(i)] = std::move(folder);
    return true;
}

std::string DriveMap::Folder(char letter) const {
    const int i = Index(letter);
    return i < 0 ? std::string() : m_folders[size_t(i)];
}

bool DriveMap::ToNative(std::string_view path, std::string& native) const {
    if (!path.empty() && path[0] == '1') {
        native = path;
        return true;
    }
    if (path.size() < 2 || path[1] != ':') return false;
    std::string folder = Folder(path[0]);
    if (folder.empty()) return false;
    std::string rest(path.substr(2));
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (!rest.empty() && rest[0] != '/') rest.insert(0, 1, '/');
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    native = folder == "/" ? (rest.empty() ? folder : rest) : folder + rest;
    return true;
}

}  // namespace hd::tools
