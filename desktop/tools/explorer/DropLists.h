// Desktop files and folders dropped from another program as transfer lists
// (one per source folder, since a list has one), and the handheld folder a
// drop on the live view goes to. Runs on the caller's thread; the file client
// does the looking.
#pragma once

#include <string>
#include <vector>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/transfer/TransferList.h"

namespace hd::tools {

// Where files dropped on the live view land (created when missing).
inline constexpr const char* kDropFolder = "1:\\My Documents";

// Paths that do not exist (or name a root) are left out; the order of the
// paths is kept within each list.
std::vector<TransferList> ListsFromPaths(desktop::DesktopChannel& hc,
                                         const std::vector<std::string>& paths,
                                         TransferList::Operation operation);
// Makes sure the handheld folder exists; false when it neither is nor can be
// made a folder.
bool EnsureFolder(desktop::DesktopChannel& hc, const std::string& folder);

}  // namespace hd::tools
