#include "desktop/ui/main/ScreenPrinter.h"

#include <QPainter>
#include <QPrinter>

namespace hd::desktop {

QRect FitToPage(const QSize& picture, const QRect& page) {
    if (picture.isEmpty() || page.isEmpty()) return {};
    const QSize size = picture.scaled(page.size(), Qt::KeepAspectRatio);
    return {page.x() + (page.width() - size.width()) / 2,
            page.y() + (page.height() - size.height()) / 2, size.width(), size.height()};
}

bool PrintScreen(const QImage& picture, QPrinter& printer, QString& error) {
    if (picture.isNull()) {
        error = "there is no screen picture to print";
        return false;
    }
    QPainter p;
    if (!p.begin(&printer)) {
        error = printer.outputFileName().isEmpty()
                    ? QString("the printer %1 cannot be used").arg(printer.printerName())
                    : QString("%1 cannot be written").arg(printer.outputFileName());
        return false;
    }
    // Screen pixels are few: keep them sharp rather than smoothed.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(FitToPage(picture.size(), p.viewport()), picture);
    if (!p.end()) {
        error = "the page could not be finished";
        return false;
    }
    return true;
}

}  // namespace hd::desktop
