// The "Select Host" dialog: the configured hosts in a list; OK takes the
// selected one, OK without a selection does nothing (the dialog stays), Cancel
// gives up. User-interface thread; modal, opened by the session's ChooseHost.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace hd::desktop {

class SelectHostDialog : public QDialog {
    Q_OBJECT
public:
    explicit SelectHostDialog(const std::vector<std::string>& hosts, QWidget* parent = nullptr);
    void accept() override;
    std::optional<std::string> Selected() const;

    static std::optional<std::string> Choose(const std::vector<std::string>& hosts,
                                             QWidget* parent = nullptr);

private:
    QListWidget* m_list;
};

}  // namespace hd::desktop
