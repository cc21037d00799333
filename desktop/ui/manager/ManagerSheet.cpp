#include "desktop/ui/manager/ManagerSheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/ui/main/BusyCursor.h"
#include "desktop/ui/manager/ApplicationsPage.h"
#include "desktop/ui/manager/SystemInfoPage.h"

namespace hd::desktop {

namespace {

// The task list, pulled before the pages fill from it.
tools::RemoteTaskList& Pulled(tools::RemoteTaskList& tasks, DesktopChannel& channel) {
    tasks.SetConnection(&channel);
    BusyCursor busy;
    tasks.Pulltsklist();  // a failed pull leaves the list empty
    return tasks;
}

}  // namespace

ManagerSheet::ManagerSheet(DesktopChannel& channel, QWidget* parent)
    : QDialog(parent),
      m_pages(new QTabWidget),
      m_applications(new ApplicationsPage(Pulled(m_tasks, channel))),
      m_systemInfo(new SystemInfoPage(m_tasks)) {
    setObjectName("Manager");
    setWindowTitle(tools::kManagerTitle);
    setModal(true);
    m_pages->addTab(m_applications, "Applications");
    m_pages->addTab(m_systemInfo, "System Information");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buttons);
    resize(500, 460);
}

}  // namespace hd::desktop
