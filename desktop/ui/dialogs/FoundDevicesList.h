// The devices found on the network as rows of a host list, shared by the
// Select Host and Options dialogs: each row shows name, address, port, kind
// and screen size and carries ADDRESS:PORT as its target. User-interface
// thread only.
#pragma once

#include <QString>
#include <vector>

#include "desktop/session/DeviceBrowser.h"

class QListWidget;
class QListWidgetItem;

namespace hd::desktop {

// Adds the rows of newly found devices and removes those gone; rows without
// a target (typed hosts) are left alone.
void ShowFoundDevices(QListWidget* list, const std::vector<FoundDevice>& found);
// A row's ADDRESS:PORT, empty for a typed host.
QString FoundTarget(const QListWidgetItem* item);

}  // namespace hd::desktop
