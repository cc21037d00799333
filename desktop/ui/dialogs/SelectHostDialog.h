// The "Select Host" dialog: the configured hosts in a list, then the devices
// found on the network (refreshed twice a second while it is open, picked as
// ADDRESS:PORT); OK takes the selected one, OK without a selection does
// nothing (the dialog stays), Cancel gives up. User-interface thread; modal,
// opened by the session's ChooseHost.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/session/DeviceBrowser.h"

class QListWidget;

namespace hd::desktop {

class SelectHostDialog : public QDialog {
    Q_OBJECT
public:
    using FoundSource = std::function<std::vector<FoundDevice>()>;

    // Without found, only the configured hosts are listed.
    explicit SelectHostDialog(const std::vector<std::string>& hosts, QWidget* parent = nullptr,
                              FoundSource found = {});
    void accept() override;
    std::optional<std::string> Selected() const;
    // Brings the found devices in the list up to date (the timer's work).
    void Refresh();

    static std::optional<std::string> Choose(const std::vector<std::string>& hosts,
                                             QWidget* parent = nullptr);

private:
    QListWidget* m_list;
    FoundSource m_found;
};

}  // namespace hd::desktop
