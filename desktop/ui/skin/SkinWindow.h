// SkinWindow (log tag CSkin): the handheld's screen drawn inside the picture
// of a device. A frameless top-level window shaped by the picture's
// transparency, placed at `SkinX`/`SkinY` and dragged by its body; it shows
// the live view's picture at 100 % in the skin's screen rectangle, sends
// stylus input there and the button areas' keys, and passes typed keys to the
// live view so both windows type alike. User-interface thread; owned by the
// main window, which shows and hides it in the Connect and Disconnect
// sequences. It never reads the receiver itself.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/tools/skins/SkinDescription.h"
#include "desktop/ui/main/ViewGeometry.h"

namespace hd::desktop {

class DesktopChannel;
class LiveView;
class Settings;

class SkinWindow : public QWidget {
    Q_OBJECT
public:
    // appButtonKey turns an application button (1..5) into the key it sends.
    SkinWindow(Settings& store, LiveView& view, std::function<uint8_t(int)> appButtonKey,
               QWidget* parent = nullptr);

    // Decodes the skin's picture and shapes the window; false with a message
    // (the window keeps the skin it had).
    bool Load(const tools::SkinDescription& skin, std::string& error);
    const tools::SkinDescription& Skin() const { return m_skin; }
    bool Loaded() const { return !m_picture.isNull(); }
    // Where input goes; null while disconnected.
    void SetInput(DesktopChannel* command);

    // Where a point of the window lands on the handheld (0..65535 each way).
    ViewGeometry::Absolute ToAbsolute(const QPoint& at) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab goes to the handheld

private:
    void OnFrame();
    bool SendMouse(uint8_t type, const QPoint& at);
    void PressButton(const tools::SkinButton& button);
    QRect ScreenRect() const;

    Settings& m_store;
    LiveView& m_view;
    std::function<uint8_t(int)> m_appButtonKey;
    tools::SkinDescription m_skin;
    QImage m_picture;
    DesktopChannel* m_input = nullptr;
    bool m_stylusDown = false;
    bool m_rightDown = false;  // a press on the screen gets its release
    bool m_dragging = false;
    QPoint m_dragOffset;
};

}  // namespace hd::desktop
