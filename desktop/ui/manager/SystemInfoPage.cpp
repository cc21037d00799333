#include "desktop/ui/manager/SystemInfoPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>
#include <map>

#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/ui/main/BusyCursor.h"

namespace hd::desktop {

SystemInfoPage::SystemInfoPage(tools::RemoteTaskList& tasks, QWidget* parent)
    : QWidget(parent), m_tasks(tasks) {
    setObjectName("SystemInformation");
    auto* layout = new QVBoxLayout(this);
    // One grid per group: the row's name, then its value or its columns.
    std::map<std::string, QGridLayout*> grids;
    std::map<std::string, int> rowsOf;
    QGridLayout* grid = nullptr;
    std::string lastRow;
    for (const tools::SysInfoLabel& l : tools::SysInfoLabels(tools::SysInfoRecord{})) {
        auto found = grids.find(l.group);
        if (found == grids.end()) {
            auto* box = new QGroupBox(l.group);
            grid = new QGridLayout(box);
            grid->setColumnStretch(2, 1);
            grid->setColumnStretch(4, 1);
            grids[l.group] = grid;
            layout->addWidget(box);
            lastRow.clear();
        } else {
            grid = found->second;
        }
        int& row = rowsOf[l.group];
        int column = 1;
        if (*l.column) {
            // "Total" and "Available" ("Primary", "Backup") side by side.
            if (lastRow == l.row) {
                --row;
                column = 3;
            }
            grid->addWidget(new QLabel(QString(l.column) + ":"), row, column);
            ++column;
        }
        if (lastRow != l.row) grid->addWidget(new QLabel(QString(l.row) + ":"), row, 0);
        auto* value = new QLabel;
        value->setObjectName(QString(l.row) + (*l.column ? QString("/") + l.column : QString()));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, column, 1, *l.column ? 1 : 4);
        m_values.push_back(value);
        lastRow = l.row;
        ++row;
    }
    layout->addStretch(1);
    Fill();
}

QLabel* SystemInfoPage::Value(const QString& row, const QString& column) const {
    return findChild<QLabel*>(column.isEmpty() ? row : row + "/" + column);
}

void SystemInfoPage::Fill() {
    const std::vector<tools::SysInfoLabel> labels = tools::SysInfoLabels(m_tasks.SysInfo().Info());
    for (size_t i = 0; i < labels.size() && i < m_values.size(); ++i)
        m_values[i]->setText(QString::fromStdString(labels[i].text));
}

void SystemInfoPage::Pull() {
    {
        BusyCursor busy;
        m_tasks.SysInfo().PullData();
    }
    Fill();
}

void SystemInfoPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) Pull();
}

}  // namespace hd::desktop
