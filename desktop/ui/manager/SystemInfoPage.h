// SystemInfoPage ("System Information"): the handheld's system-information
// record as labels in the groups General, Memory, "Application Address" and
// Battery. The record is read again each time the page comes to the front;
// a failed read shows the previous record (zeros the first time).
// User-interface thread; the sheet owns it and the task list it reads with.
#pragma once

#include <QWidget>
#include <vector>

#include "desktop/tools/manager/RemoteTaskList.h"

class QLabel;

namespace hd::desktop {

class SystemInfoPage : public QWidget {
    Q_OBJECT
public:
    explicit SystemInfoPage(tools::RemoteTaskList& tasks, QWidget* parent = nullptr);

    // Reads the record and fills the labels.
    void Pull();
    // The value label of a row ("Physical") and column ("Total", "" for one).
    QLabel* Value(const QString& row, const QString& column = {}) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Fill();

    tools::RemoteTaskList& m_tasks;
    std::vector<QLabel*> m_values;  // in the order of SysInfoLabels
};

}  // namespace hd::desktop
