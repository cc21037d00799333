// Helpers for the dialog tests: a settings store in a temporary folder, and a
// way to answer a modal dialog that the code under test opens and runs.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "desktop/session/Settings.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"

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

// A main window over a temporary settings store and a temporary device root,
// reaching the real agent through the built-in link.
struct WindowRig {
    TempStore store;
    QTemporaryDir root;
    std::unique_ptr<Settings> settings = store.Open();
    std::unique_ptr<MainWindow> window;

    MainWindow& Open() {
        LinkOptions link;
        link.root = root.path().toStdString();
        link.library = HD_AGENT_LIBRARY;
        window = std::make_unique<MainWindow>(*settings, link);
        window->show();
        return *window;
    }
    LiveView& View() { return *window->View(); }
    Statistics& Stats() { return window->CurrentSession().Manager().Stats(); }
};

// Waits for a painted frame that changed the screen below its title bar (the
// clock there ticks on its own). The wait is generous: under the sanitizers
// on a loaded machine a frame can take seconds.
constexpr int kTitleBar = 16;  // the virtual handheld's, in screen pixels at 240x320
inline bool WaitForChangeBelowTitle(LiveView& view, int ms = 10000) {
    bool seen = false;
    auto c = QObject::connect(&view, &LiveView::framePainted, [&] {
        if (view.LastChange().y + view.LastChange().height > kTitleBar) seen = true;
    });
    const bool ok = QTest::qWaitFor([&] { return seen; }, ms);
    QObject::disconnect(c);
    return ok;
}

}  // namespace hd::desktop::test
