// LiveView: the handheld's screen in the main window, drawn at the zoom and
// rotation, and the place where mouse and keys on it become input commands.
// FrameReady arrives on the receiver thread and only posts one repaint when
// none is pending (later frames meanwhile are counted as skipped); the
// picture is copied out under the receiver's lock on the user-interface
// thread. Owned by the main window, which stops the receiver before the view
// goes. It never blocks the receiver and never writes while disconnected.
#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "desktop/session/ScreenImage.h"
#include "desktop/session/ScreenReceiver.h"
#include "desktop/ui/main/KeyMap.h"
#include "desktop/ui/main/ViewGeometry.h"

namespace hd::desktop {

class DesktopChannel;

class LiveView : public QWidget, public ScreenView {
    Q_OBJECT
public:
    explicit LiveView(QWidget* parent = nullptr);

    // Receiver thread, under the receiver's lock.
    void FrameReady(const uint8_t* image, size_t length) override;

    // Where the picture comes from and where input goes; null while
    // disconnected.
    void SetSource(ScreenReceiver* receiver);
    void SetInput(DesktopChannel* command);
    // Forgets the picture (after a disconnect).
    void Clear();

    void SetZoom(int percent);
    void SetRotation(Rotation rotation);
    void SetKeyboardLayout(int code) { m_layout = code; }
    const ViewGeometry& Geometry() const { return m_geometry; }

    // The handheld's screen as last received, upright and unzoomed; null
    // before the first frame.
    QImage Picture() const;
    // The same without a copy, valid until the next frame is taken.
    const QImage& Shown() const { return m_image; }
    const RgbImage& Pixels() const { return m_rgb; }
    // The screen area the last frame changed.
    Area LastChange() const { return m_lastChange; }

    uint32_t FramesShown() const { return m_shown; }
    // When the receiver applied the frame last taken (steady clock).
    std::chrono::steady_clock::time_point LastArrival() const { return m_takenArrival; }
    uint32_t FramesSkipped() const { return m_skipped.load(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A frame not painted before has been painted.
    void framePainted();
    // A new picture has been taken from the receiver (painted or not); the
    // skin window and the recorder follow it.
    void frameTaken();
    // The view's size changed (first frame, new screen size, zoom, rotation).
    void sizeChanged();
    // Desktop files or folders were dropped on the view (only while connected).
    void filesDropped(const QStringList& paths);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab goes to the handheld

private:
    void TakeFrame();
    void Resized();
    bool SendMouse(uint8_t type, const QPoint& at);

    ScreenReceiver* m_source = nullptr;
    DesktopChannel* m_input = nullptr;
    ViewGeometry m_geometry;
    int m_layout = 0;
    std::atomic<bool> m_pending{false};
    std::atomic<int64_t> m_arrival{0};  // steady-clock ticks of the latest frame
    std::chrono::steady_clock::time_point m_takenArrival;
    std::atomic<uint32_t> m_skipped{0};
    std::vector<uint8_t> m_raw;  // the receiver's BMP image, copied
    RgbImage m_rgb, m_next;
    QImage m_image;  // wraps m_rgb's pixels
    Area m_lastChange;
    uint32_t m_shown = 0;
    bool m_unpainted = false;  // a frame taken but not painted yet
    bool m_leftDown = false;
    ViewGeometry::Absolute m_lastMove{0xFFFF, 0xFFFF};
};

}  // namespace hd::desktop
