#include "desktop/ui/Application.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/Log.h"
#include "desktop/session/DesktopLog.h"
#include "desktop/session/Settings.h"
#include "desktop/ui/dialogs/ConfigurationDialog.h"
#include "desktop/ui/help/TipsDialog.h"
#include "desktop/ui/main/LatencyProbe.h"
#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"
#include "desktop/ui/main/SingleInstance.h"

namespace hd::desktop {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitNoConnection = 3;
// An unattended run that sees no frame in this time has failed.
constexpr int kUnattendedLimitMs = 20000;

// Saves the named top-level window once it is visible (a modal tool shows
// only after its first requests, however long the link takes), or the main
// window when no name is given, then quits.
void SaveWhenShown(MainWindow& w, const QString& file, const QString& target) {
    auto* poll = new QTimer(&w);
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, &w, [&w, poll, file, target] {
        QWidget* shown = target.isEmpty() ? &w : nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (!shown && top->objectName() == target && top->isVisible()) shown = top;
        if (!shown) return;  // the unattended time limit ends a wait that never ends
        poll->stop();
        poll->deleteLater();
        // A moment for the window to settle at its final size.
        QTimer::singleShot(300, shown, [shown, file] {
            const bool ok = shown->grab().save(file, "PNG");
            std::fprintf(ok ? stdout : stderr, "%s %s\n",
                         ok ? "screenshot written to" : "could not write",
                         file.toLocal8Bit().constData());
            QCoreApplication::exit(ok ? 0 : kExitFailed);
        });
    });
    poll->start();
}

// Once the first frame is on the screen: saves the window, or opens the
// named tool window and saves that.
void ArmScreenshot(MainWindow& w, const QString& file, const QString& tool) {
    QObject::connect(
        w.View(), &LiveView::framePainted, &w,
        [&w, file, tool] {
            QString target;
            if (!tool.isEmpty()) {
                target = w.OpenToolForScreenshot(tool);
                if (target.isEmpty()) {
                    std::fprintf(stderr, "no window %s to save\n", tool.toLocal8Bit().constData());
                    QCoreApplication::exit(kExitFailed);
                    return;
                }
            }
            SaveWhenShown(w, file, target);
        },
        Qt::SingleShotConnection);
}

void ArmLatency(MainWindow& w, int presses) {
    auto* probe = new LatencyProbe(
        *w.View(), presses, [&w] { w.PressAppButton(1); }, &w);
    QObject::connect(w.View(), &LiveView::framePainted, probe, &LatencyProbe::Start,
                     Qt::SingleShotConnection);
    QObject::connect(probe, &LatencyProbe::finished, &w, [probe] {
        const std::vector<double>& s = probe->Samples();
        if (probe->Failed()) {
            std::fprintf(stderr, "latency: no change painted after press %zu\n", s.size() + 1);
            QCoreApplication::exit(kExitFailed);
            return;
        }
        std::printf("key press to painted change, %zu presses over the local link:\n", s.size());
        for (double v : s) std::printf(" %.1f", v);
        const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
        std::printf(" ms\nmedian %.1f ms (min %.1f, max %.1f)\n", probe->Median(), *lo, *hi);
        QCoreApplication::exit(0);
    });
}

}  // namespace

int RunApplication(const StartOptions& o) {
    if (o.help) {
        std::fputs(StartUsage().c_str(), stdout);
        return 0;
    }
    std::unique_ptr<Settings> store = o.settingsFile.empty()
                                          ? std::make_unique<Settings>()
                                          : std::make_unique<Settings>(o.settingsFile);
    store->SetProgramPath(QCoreApplication::applicationFilePath().toStdString());

    SingleInstance instance(QString::fromStdString(store->FileName()));
    // -d only ever ends a running instance; it never opens a window.
    if (o.quitRunning) {
        instance.Send("quit");
        return 0;
    }
    if (!store->MultiInst() && instance.Send("activate")) return 0;
    instance.Listen();

    DesktopLog logFile;
    log::SetSink(&logFile);
    log::SetEnabled(store->LoadFlags() & FLAG_DESKTOP_LOG);

    const bool unattended = !o.screenshot.empty() || o.measureLatency > 0;
    if (!unattended) ConfigurationDialog::RunIfNeeded(*store);

    int code = 0;
    {
        LinkOptions link;
        link.device = o.device;
        link.root = o.root;
        MainWindow w(*store, link);
        QObject::connect(&instance, &SingleInstance::activateRequested, &w, &MainWindow::Activate);
        QObject::connect(&instance, &SingleInstance::quitRequested, &w, &QWidget::close);
        w.show();
        if (!o.screenshot.empty())
            ArmScreenshot(w, QString::fromStdString(o.screenshot),
                          QString::fromStdString(o.screenshotWindow));
        if (!unattended) TipsDialog::ShowAtStart(*store, &w);
        if (o.measureLatency > 0) ArmLatency(w, o.measureLatency);
        if (unattended) {
            QTimer::singleShot(kUnattendedLimitMs, &w, [] {
                std::fputs("no frame was painted in time\n", stderr);
                QCoreApplication::exit(kExitFailed);
            });
        }
        if (o.connect || unattended || (w.Flags() & FLAG_AUTOCONNECT)) {
            QTimer::singleShot(0, &w, [&w, unattended] {
                if (!w.ConnectToDevice() && unattended) QCoreApplication::exit(kExitNoConnection);
            });
        }
        code = QApplication::exec();
    }
    log::SetSink(nullptr);
    return code;
}

}  // namespace hd::desktop
