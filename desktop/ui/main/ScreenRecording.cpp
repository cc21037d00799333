#include "desktop/ui/main/ScreenRecording.h"

#include "common/Log.h"
#include "desktop/ui/main/LiveView.h"

namespace hd::desktop {

ScreenRecording::ScreenRecording(LiveView& view, QObject* parent) : QObject(parent), m_view(view) {
    connect(&m_view, &LiveView::frameTaken, this, &ScreenRecording::OnFrame);
}

bool ScreenRecording::Start(const QString& file, QString& error) {
    if (Active()) {
        error = "a recording is already running";
        return false;
    }
    if (m_view.Pixels().pixels.empty()) {
        error = "there is no screen picture to record yet";
        return false;
    }
    std::string why;
    if (!m_recorder.Start(file.toStdString(), m_view.Pixels(), media::ScreenRecorder::Clock::now(),
                          why)) {
        error = QString::fromStdString(why);
        log::Forced("ScreenRecording::Start:%s", why.c_str());
        return false;
    }
    return true;
}

bool ScreenRecording::Stop(QString& error) {
    if (m_recorder.Stop(media::ScreenRecorder::Clock::now())) return true;
    error = QString::fromStdString(m_recorder.Error());
    return false;
}

void ScreenRecording::OnFrame() {
    if (!Active()) return;
    if (m_recorder.Add(m_view.Pixels(), m_view.LastArrival())) return;
    log::Forced("ScreenRecording::Add:%s", m_recorder.Error().c_str());
    emit failed(QString("The recording stopped: %1\n%2 keeps what was recorded before.")
                    .arg(QString::fromStdString(m_recorder.Error()), File()));
}

}  // namespace hd::desktop
