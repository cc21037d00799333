// ManagerSheet ("Handrel Manager"): the modal process manager, opened while
// a handheld is connected, with the "Applications" and "System Information"
// pages. It owns the task list (and through it the thread, module and
// system-information lists) for one opening; nothing survives it. It pulls
// the task list when it opens, whatever the result. User-interface thread;
// it borrows the command channel, which must outlive it.
#pragma once

#include <QDialog>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/manager/RemoteTaskList.h"

class QTabWidget;

namespace hd::desktop {

class ApplicationsPage;
class SystemInfoPage;

class ManagerSheet : public QDialog {
    Q_OBJECT
public:
    explicit ManagerSheet(DesktopChannel& channel, QWidget* parent = nullptr);

    ApplicationsPage* Applications() const { return m_applications; }
    SystemInfoPage* SystemInfo() const { return m_systemInfo; }
    QTabWidget* Pages() const { return m_pages; }
    tools::RemoteTaskList& Tasks() { return m_tasks; }

private:
    tools::RemoteTaskList m_tasks;
    QTabWidget* m_pages;
    ApplicationsPage* m_applications;
    SystemInfoPage* m_systemInfo;
};

}  // namespace hd::desktop
