// ApplicationsPage ("Applications"): the Handrel Manager's task list in the
// "Processes" box with Refresh, Activate, Kill Process and Details. Each
// button acts on the selected row's record, by its index in the list last
// pulled, which is the list the handheld holds. User-interface thread; the
// sheet owns it and the task list, which outlives it. It never sends a
// request with no row selected.
#pragma once

#include <QWidget>

#include "desktop/tools/manager/RemoteTaskList.h"

class QPushButton;

namespace hd::desktop {

class ManagerListView;

class ApplicationsPage : public QWidget {
    Q_OBJECT
public:
    explicit ApplicationsPage(tools::RemoteTaskList& tasks, QWidget* parent = nullptr);

    ManagerListView* List() const { return m_list; }
    // Fills the rows from the task list as it is.
    void Fill();

    void Refresh();
    void Activate();
    void Kill();
    void Details();

private:
    // The selected row's record index, or -1 after telling the user.
    int Selected(const char* message);
    void Tell(const char* message);

    tools::RemoteTaskList& m_tasks;
    ManagerListView* m_list;
};

}  // namespace hd::desktop
