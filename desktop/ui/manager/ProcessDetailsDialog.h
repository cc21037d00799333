// ProcessDetailsDialog ("Process Details"): the name and identifier of one
// process over its "Threads" and "Modules" lists, read once when it opens
// (there is no refresh). User-interface thread, modal over the Applications
// page; it borrows the task list, whose thread and module lists it fills.
#pragma once

#include <QDialog>
#include <string>

#include "desktop/tools/manager/RemoteTaskList.h"

namespace hd::desktop {

class ManagerListView;

class ProcessDetailsDialog : public QDialog {
    Q_OBJECT
public:
    // ask false: the process is known to have ended, nothing is requested.
    ProcessDetailsDialog(tools::RemoteTaskList& tasks, const std::string& name, uint32_t pid,
                         bool ask, QWidget* parent = nullptr);

    ManagerListView* Threads() const { return m_threads; }
    ManagerListView* Modules() const { return m_modules; }

private:
    ManagerListView* m_threads;
    ManagerListView* m_modules;
};

}  // namespace hd::desktop
