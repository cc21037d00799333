// ScreenPrinter: the handheld's screen on paper (or in a PDF, or the print
// preview), as large as the page allows without changing its shape, centred.
// Plain functions; user-interface thread (QPrinter and QPainter).
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

class QPrinter;

namespace hd::desktop {

// The largest rectangle of the picture's shape inside the page, centred.
QRect FitToPage(const QSize& picture, const QRect& page);

// Prints the picture on one page; false with the reason.
bool PrintScreen(const QImage& picture, QPrinter& printer, QString& error);

}  // namespace hd::desktop
