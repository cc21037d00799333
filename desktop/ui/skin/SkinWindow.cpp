#include "desktop/ui/skin/SkinWindow.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "common/Codes.h"
#include "common/Log.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/session/Settings.h"
#include "desktop/ui/main/LiveView.h"

namespace hd::desktop {

namespace {

// HC_MOUSE event types, as the live view sends them.
constexpr uint8_t kLeftDown = 0, kLeftUp = 1, kRightDown = 2, kRightUp = 3, kMove = 4;
constexpr int kMaxSkinPos = 10000;  // `SkinX`/`SkinY` range

}  // namespace

SkinWindow::SkinWindow(Settings& store, LiveView& view, std::function<uint8_t(int)> appButtonKey,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_store(store),
      m_view(view),
      m_appButtonKey(std::move(appButtonKey)) {
    setObjectName("skinWindow");
    setWindowTitle("Handrel");
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    int x = 0, y = 0;
    store.SkinPos(x, y);
    move(x, y);
    connect(&m_view, &LiveView::frameTaken, this, &SkinWindow::OnFrame);
}

bool SkinWindow::Load(const tools::SkinDescription& skin, std::string& error) {
    QImageReader reader(QString::fromStdString(skin.ImagePath()), "png");
    QImage picture = reader.read();
    if (picture.isNull()) {
        error = "the skin image " + skin.image + " cannot be read (" +
                reader.errorString().toStdString() + ")";
        log::Forced("CSkin::Load:%s", error.c_str());
        return false;
    }
    if (picture.width() != skin.imageWidth || picture.height() != skin.imageHeight) {
        error = "the skin image " + skin.image + " changed while it was read";
        log::Forced("CSkin::Load:%s", error.c_str());
        return false;
    }
    m_skin = skin;
    m_picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    setFixedSize(m_picture.size());
    // The outline follows the picture, so the window is the device's shape
    // even without a compositor.
    setMask(QBitmap::fromImage(m_picture.createAlphaMask()));
    update();
    log::Log("CSkin::Load:Loaded %s", skin.name.c_str());
    return true;
}

void SkinWindow::SetInput(DesktopChannel* command) {
    m_input = command;
    m_stylusDown = false;
    m_rightDown = false;
}

QRect SkinWindow::ScreenRect() const {
    const tools::SkinRect& s = m_skin.screen;
    return {s.x, s.y, s.width, s.height};
}

ViewGeometry::Absolute SkinWindow::ToAbsolute(const QPoint& at) const {
    // The picture sits unrotated at 100 % at the rectangle's corner, as in a
    // portrait live view at 100 %.
    ViewGeometry g;
    g.device = m_view.Geometry().device;
    return g.ToAbsolute(at.x() - m_skin.screen.x, at.y() - m_skin.screen.y);
}

void SkinWindow::OnFrame() {
    if (isVisible()) update(ScreenRect());
}

void SkinWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, m_picture);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRect screen = ScreenRect();
    const QImage& shown = m_view.Shown();
    if (shown.isNull()) {
        p.fillRect(screen, QColor(64, 64, 64));
        return;
    }
    // A screen of another size than the rectangle is cut, never scaled.
    p.setClipRect(screen);
    p.fillRect(screen, Qt::black);
    p.drawImage(screen.topLeft(), shown);
}

bool SkinWindow::SendMouse(uint8_t type, const QPoint& at) {
    if (!m_input || !m_input->IsOpen()) return false;
    const ViewGeometry::Absolute a = ToAbsolute(at);
    return m_input->SendMouse(type, a.x, a.y);
}

void SkinWindow::PressButton(const tools::SkinButton& b) {
    if (!m_input || !m_input->IsOpen()) return;
    if (b.kind == tools::SkinButton::AppButton)
        m_input->SendAppButton(m_appButtonKey(b.value));
    else
        m_input->SendKey(HC_KEY, uint32_t(b.value));
}

void SkinWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const tools::SkinHit hit = tools::HitTest(m_skin, at.x(), at.y());
    if (hit.kind == tools::SkinHit::Screen) {
        if (event->button() == Qt::LeftButton) {
            m_stylusDown = true;
            SendMouse(kLeftDown, at);
        } else if (event->button() == Qt::RightButton) {
            m_rightDown = true;
            SendMouse(kRightDown, at);
        }
    } else if (hit.kind == tools::SkinHit::Button && event->button() == Qt::LeftButton) {
        PressButton(m_skin.buttons[size_t(hit.button)]);
    } else if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void SkinWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    // A drag that leaves the screen keeps going at its edge, as in the view.
    if (m_stylusDown || m_rightDown) SendMouse(kMove, event->position().toPoint());
}

void SkinWindow::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        const QPoint p = pos();
        m_store.SetSkinPos(std::clamp(p.x(), 0, kMaxSkinPos), std::clamp(p.y(), 0, kMaxSkinPos));
        return;
    }
    if (event->button() == Qt::LeftButton && m_stylusDown) {
        m_stylusDown = false;
        SendMouse(kLeftUp, at);
    } else if (event->button() == Qt::RightButton && m_rightDown) {
        m_rightDown = false;
        SendMouse(kRightUp, at);
    }
}

void SkinWindow::keyPressEvent(QKeyEvent* event) {
    QCoreApplication::sendEvent(&m_view, event);
}

void SkinWindow::contextMenuEvent(QContextMenuEvent* event) {
    // The screen's right button belongs to the handheld; the body's opens
    // the main window's commands.
    if (ScreenRect().contains(event->pos()) || actions().isEmpty()) return;
    QMenu::exec(actions(), event->globalPos(), nullptr, this);
}

}  // namespace hd::desktop
