// SkinCatalog: the skins found in the skin folders, each checked once when
// the folders are scanned; the refused ones are kept with their reason so the
// user can be told. The user's folder comes first, so a skin there replaces a
// shipped one of the same name. User-interface thread; owned by the main
// window. It never decodes a picture.
#pragma once

#include <string>
#include <vector>

#include "desktop/tools/skins/SkinDescription.h"

namespace hd::tools {

class SkinCatalog {
public:
    explicit SkinCatalog(std::vector<std::string> folders = {});

    // Reads every skin folder again.
    void Scan();

    // The names of the skins that suit a device type, in name order.
    std::vector<std::string> NamesFor(int device) const;
    // The skin of that name, or null.
    const SkinDescription* Find(const std::string& name) const;
    // The skin of that name for the device type; the first that suits it
    // when the name is empty. False with a message when there is none.
    bool Choose(const std::string& name, int device, SkinDescription& out,
                std::string& error) const;

    struct Refusal {
        std::string folder;
        std::string reason;
    };
    const std::vector<SkinDescription>& Skins() const { return m_skins; }
    const std::vector<Refusal>& Refused() const { return m_refused; }
    const std::vector<std::string>& Folders() const { return m_folders; }

private:
    std::vector<std::string> m_folders;
    std::vector<SkinDescription> m_skins;
    std::vector<Refusal> m_refused;
};

// The folders skins are looked for in: the user's (userDataDir/handrel/skins)
// first, then the program's data folder (programDir/../share/handrel/skins).
std::vector<std::string> SkinFolders(const std::string& programDir, const std::string& userDataDir);

}  // namespace hd::tools
