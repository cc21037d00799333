#include "desktop/ui/manager/ApplicationsPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/ui/main/BusyCursor.h"
#include "desktop/ui/manager/ManagerListModel.h"
#include "desktop/ui/manager/ManagerListView.h"
#include "desktop/ui/manager/ProcessDetailsDialog.h"

namespace hd::desktop {

ApplicationsPage::ApplicationsPage(tools::RemoteTaskList& tasks, QWidget* parent)
    : QWidget(parent), m_tasks(tasks), m_list(new ManagerListView({0, 1})) {
    setObjectName("Applications");
    m_list->setObjectName("tasks");
    auto* box = new QGroupBox("Processes");
    auto* inBox = new QVBoxLayout(box);
    inBox->addWidget(m_list);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, void (ApplicationsPage::*)()> actions[] = {
        {"Refresh", &ApplicationsPage::Refresh},
        {"Activate", &ApplicationsPage::Activate},
        {"Kill Process", &ApplicationsPage::Kill},
        {"Details", &ApplicationsPage::Details}};
    for (const auto& [text, slot] : actions) {
        auto* b = new QPushButton(text);
        b->setObjectName(QString(text).remove(' ').toLower());
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box, 1);
    layout->addLayout(buttons);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &ApplicationsPage::Activate);
    Fill();
}

void ApplicationsPage::Fill() {
    std::vector<std::vector<std::string>> rows;
    std::vector<int> items;
    for (const tools::TaskRow& r : tools::TaskRows(m_tasks)) {
        rows.push_back({r.process, r.window});
        items.push_back(r.item);
    }
    m_list->Model().SetRows(rows, items);
}

void ApplicationsPage::Tell(const char* message) {
    QMessageBox::information(this, tools::kManagerTitle, message);
}

int ApplicationsPage::Selected(const char* message) {
    const int item = m_list->SelectedItem();
    if (item < 0) Tell(message);
    return item;
}

void ApplicationsPage::Refresh() {
    const int kept = m_list->SelectedItem();
    const uint32_t pid = m_tasks.ProcessId(kept);
    {
        BusyCursor busy;
        m_tasks.Pulltsklist();
    }
    Fill();
    // The same process stays selected when it still runs.
    for (int i = 0; pid && i < m_tasks.Count(); ++i)
        if (m_tasks.ProcessId(i) == pid) m_list->SelectItem(i);
}

void ApplicationsPage::Activate() {
    const int item = Selected(tools::kNoApplicationSelected);
    if (item < 0) return;
    BusyCursor busy;
    m_tasks.Activate(item);
}

void ApplicationsPage::Kill() {
    const int item = Selected(tools::kNoApplicationSelected);
    if (item < 0) return;
    if (QMessageBox::warning(this, tools::kManagerTitle, tools::kKillQuestion,
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) != QMessageBox::Yes)
        return;
    {
        BusyCursor busy;
        m_tasks.Kill(item);
    }
    // The rows show whatever the list holds, also after a failed read.
    Fill();
}

void ApplicationsPage::Details() {
    const int item = m_list->SelectedItem();
    const uint32_t pid = m_tasks.ProcessId(item);
    if (item < 0 || pid == 0) {
        Tell(tools::kNoProcessSelected);
        return;
    }
    std::string name;
    m_tasks.ExeName(item, name);
    // Asked for a process that has ended, the handheld answers with an empty
    // reply and ends its command loop, which would cost the connection: the
    // list is read again first, and a process no longer in it is not asked
    // for (its dialog shows no threads and no modules).
    Refresh();
    bool running = false;
    for (int i = 0; i < m_tasks.Count() && !running; ++i) running = m_tasks.ProcessId(i) == pid;
    ProcessDetailsDialog dialog(m_tasks, name, pid, running, this);
    dialog.exec();
}

}  // namespace hd::desktop
