#include "desktop/tools/skins/SkinCatalog.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace hd::tools {

namespace fs = std::filesystem;

SkinCatalog::SkinCatalog(std::vector<std::string> folders) : m_folders(std::move(folders)) {
    Scan();
}

void SkinCatalog::Scan() {
    m_skins.clear();
    m_refused.clear();
    for (const std::string& root : m_folders) {
        std::error_code ec;
        std::vector<fs::path> dirs;
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_directory(ec)) dirs.push_back(it->path());
        std::sort(dirs.begin(), dirs.end());
        for (const fs::path& dir : dirs) {
            SkinDescription skin;
            std::string error;
            if (!LoadSkinFolder(dir.string(), skin, error)) {
                m_refused.push_back({dir.string(), error});
                continue;
            }
            if (!Find(skin.name)) m_skins.push_back(std::move(skin));
        }
    }
}

std::vector<std::string> SkinCatalog::NamesFor(int device) const {
    std::vector<std::string> names;
    for (const SkinDescription& s : m_skins)
        if (s.Suits(device)) names.push_back(s.name);
    std::sort(names.begin(), names.end());
    return names;
}

const SkinDescription* SkinCatalog::Find(const std::string& name) const {
    for (const SkinDescription& s : m_skins)
        if (s.name == name) return &s;
    return nullptr;
}

bool SkinCatalog::Choose(const std::string& name, int device, SkinDescription& out,
                         std::string& error) const {
    if (name.empty()) {
        const std::vector<std::string> names = NamesFor(device);
        if (names.empty()) {
            error = "there is no skin for this device type";
            return false;
        }
        out = *Find(names.front());
        return true;
    }
    if (const SkinDescription* s = Find(name)) {
        out = *s;
        return true;
    }
    for (const Refusal& r : m_refused) {
        if (fs::path(r.folder).filename() == name) {
            error = r.reason;
            return false;
        }
    }
    error = "no skin of that name was found";
    return false;
}

std::vector<std::string> SkinFolders(const std::string& programDir,
                                     const std::string& userDataDir) {
    std::vector<std::string> folders;
    if (!userDataDir.empty()) folders.push_back(userDataDir + "/handrel/skins");
    if (!programDir.empty()) folders.push_back(programDir + "/../share/handrel/skins");
    return folders;
}

}  // namespace hd::tools
