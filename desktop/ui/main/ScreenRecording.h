// ScreenRecording (log tag ScreenRecording): File > Start Recording in the
// main window. It follows the live view's frames (the screen as received,
// before zoom and rotation, so a recording goes on across both) into a
// ScreenRecorder, stamped with the time each frame arrived. User-interface thread; owned by the
// main window. It never blocks the receiver: frames come through the view's one-slot hand-off, so a
// slow disk only thins the frames out.
#pragma once

#include <QObject>
#include <QString>

#include "desktop/media/ScreenRecorder.h"

namespace hd::desktop {

class LiveView;

class ScreenRecording : public QObject {
    Q_OBJECT
public:
    explicit ScreenRecording(LiveView& view, QObject* parent = nullptr);

    // Starts with the picture shown now; false with the reason.
    bool Start(const QString& file, QString& error);
    // Ends the file; false with the reason.
    bool Stop(QString& error);
    bool Active() const { return m_recorder.Recording(); }
    QString File() const { return QString::fromStdString(m_recorder.Path()); }
    int Frames() const { return m_recorder.Frames(); }

signals:
    // A write failed and the recording has ended; the file keeps what came before.
    void failed(const QString& message);

private:
    void OnFrame();

    LiveView& m_view;
    media::ScreenRecorder m_recorder;
};

}  // namespace hd::desktop
