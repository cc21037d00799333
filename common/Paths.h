// Where the device keeps its files when no root folder is given: a per-user
// data folder, created on first use.
#pragma once

#include <string>

namespace hd {

// $XDG_DATA_HOME/handrel/device, else ~/.local/share/handrel/device; created
// with its parents. Empty when it cannot be created.
std::string DefaultDeviceRoot();
// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace hd
