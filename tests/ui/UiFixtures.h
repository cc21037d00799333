// Helpers for the dialog tests: a settings store in a temporary folder, and a
// way to answer a modal dialog that the code under test opens and runs.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "desktop/session/Settings.h"

namespace hd::desktop::test {

struct TempStore {
    QTemporaryDir dir;
    std::string File() const { return dir.filePath("Handrel.conf").toStdString(); }
    std::unique_ptr<Settings> Open() const { return std::make_unique<Settings>(File()); }
};

// Runs fn on the next modal dialog to appear (polled from the event loop,
// which the dialog's exec() keeps running), at most once.
inline void WhenModal(std::function<void(QWidget*)> fn, QWidget* notThis = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, fn, notThis] {
        QWidget* modal = QApplication::activeModalWidget();
        if ((modal && modal != notThis) || ++*tries > 400) {
            timer->stop();
            timer->deleteLater();
            if (modal && modal != notThis) fn(modal);
        }
    });
    timer->start();
}

}  // namespace hd::desktop::test
