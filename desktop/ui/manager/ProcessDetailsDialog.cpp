#include "desktop/ui/manager/ProcessDetailsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/ui/main/BusyCursor.h"
#include "desktop/ui/manager/ManagerListModel.h"
#include "desktop/ui/manager/ManagerListView.h"

namespace hd::desktop {

namespace {

template <size_t N>
void Show(ManagerListView* view, const std::vector<std::array<std::string, N>>& rows) {
    std::vector<std::vector<std::string>> cells;
    std::vector<int> items;
    for (const auto& r : rows) {
        items.push_back(int(cells.size()));
        cells.emplace_back(r.begin(), r.end());
    }
    view->Model().SetRows(cells, items);
}

QGroupBox* Boxed(const char* title, QWidget* content) {
    auto* box = new QGroupBox(title);
    (new QVBoxLayout(box))->addWidget(content);
    return box;
}

}  // namespace

ProcessDetailsDialog::ProcessDetailsDialog(tools::RemoteTaskList& tasks, const std::string& name,
                                           uint32_t pid, bool ask, QWidget* parent)
    : QDialog(parent),
      m_threads(new ManagerListView({2, 3})),
      m_modules(new ManagerListView({4, 5, 6, 7, 8, 9})) {
    setObjectName("ProcessDetails");
    setWindowTitle("Process Details");
    m_threads->setObjectName("threads");
    m_modules->setObjectName("modules");

    auto* labels = new QFormLayout;
    auto* nameLabel = new QLabel(QString::fromStdString(name));
    auto* pidLabel = new QLabel(QString::fromStdString(tools::HexText(pid)));
    nameLabel->setObjectName("name");
    pidLabel->setObjectName("pid");
    labels->addRow("Process Name:", nameLabel);
    labels->addRow("Process Id:", pidLabel);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(labels);
    layout->addWidget(Boxed("Threads", m_threads), 1);
    layout->addWidget(Boxed("Modules", m_modules), 2);
    layout->addWidget(ok);
    resize(560, 480);

    if (!ask) return;
    bool read = false;
    {
        BusyCursor busy;
        read = tasks.GetThrAndModLists(pid);
    }
    // A failed read may leave an earlier process's lists behind: none is shown.
    if (!read) return;
    Show(m_threads, tools::ThreadRows(tasks.Threads()));
    // No threads is no process: its modules are not shown either.
    if (tasks.Threads().Count() > 0) Show(m_modules, tools::ModuleRows(tasks.Modules()));
}

}  // namespace hd::desktop
