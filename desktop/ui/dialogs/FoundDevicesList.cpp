#include "desktop/ui/dialogs/FoundDevicesList.h"

#include <QListWidget>
#include <set>

namespace hd::desktop {

QString FoundTarget(const QListWidgetItem* item) {
    return item->data(Qt::UserRole).toString();
}

void ShowFoundDevices(QListWidget* list, const std::vector<FoundDevice>& found) {
    std::set<QString> now;
    for (const FoundDevice& d : found) {
        const std::string where = d.address + ":" + std::to_string(d.port);
        const QString target = QString::fromStdString(where);
        if (!now.insert(target).second) continue;
        bool listed = false;
        for (int i = 0; i < list->count() && !listed; ++i)
            listed = FoundTarget(list->item(i)) == target;
        if (listed) continue;
        std::string text = d.name + " - " + where;
        if (!d.kind.empty())
            text += " (" + d.kind + (d.screen.empty() ? "" : ", " + d.screen) + ")";
        auto* item = new QListWidgetItem(QString::fromStdString(text), list);
        item->setData(Qt::UserRole, target);
    }
    for (int i = list->count() - 1; i >= 0; --i) {
        const QString target = FoundTarget(list->item(i));
        if (!target.isEmpty() && !now.count(target)) delete list->takeItem(i);
    }
}

}  // namespace hd::desktop
