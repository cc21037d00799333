#include "desktop/ui/main/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace hd::desktop {

std::optional<std::string> QtClipboard::Text() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    return data->text().toStdString();
}

bool QtClipboard::SetText(const std::string& utf8) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(utf8));
    return true;
}

}  // namespace hd::desktop
