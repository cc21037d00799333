#include "desktop/ui/main/LiveView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "common/Codes.h"
#include "desktop/session/DesktopChannel.h"

namespace hd::desktop {

namespace {

// The virtual handheld's size, shown until the first frame tells the real one.
constexpr Extent kDefaultScreen{240, 320};

// HC_MOUSE event types.
constexpr uint8_t kLeftDown = 0, kLeftUp = 1, kRightDown = 2, kRightUp = 3, kMove = 4;

}  // namespace

LiveView::LiveView(QWidget* parent) : QWidget(parent) {
    setObjectName("liveView");
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_geometry.device = kDefaultScreen;
    m_geometry.zoom = 100;
    Resized();
}

void LiveView::FrameReady(const uint8_t*, size_t) {
    m_arrival = std::chrono::steady_clock::now().time_since_epoch().count();
    // One repaint in flight at most; the receiver never waits for us.
    if (m_pending.exchange(true)) {
        ++m_skipped;
        return;
    }
    QMetaObject::invokeMethod(this, &LiveView::TakeFrame, Qt::QueuedConnection);
}

void LiveView::TakeFrame() {
    // Cleared first: a frame applied while we copy posts the next repaint.
    m_pending = false;
    if (!m_source) return;
    // Only the copy holds the receiver's lock; decoding happens outside it.
    // The arrival is read with the image, so the two belong together.
    int64_t arrival = 0;
    m_source->WithImage([&](const uint8_t* bmp, size_t length) {
        m_raw.assign(bmp, bmp + length);
        arrival = m_arrival.load();
    });
    if (m_raw.empty() || !DecodeScreenImage(m_raw.data(), m_raw.size(), m_next)) return;
    m_takenArrival =
        std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(arrival));
    const bool resized = m_next.width != m_rgb.width || m_next.height != m_rgb.height;
    m_lastChange = ChangedArea(m_rgb.pixels, m_next.pixels, m_next.width, m_next.height);
    std::swap(m_rgb, m_next);
    m_image = QImage(reinterpret_cast<const uchar*>(m_rgb.pixels.data()), m_rgb.width, m_rgb.height,
                     QImage::Format_RGB32);
    ++m_shown;
    if (resized) {
        m_geometry.device = {m_rgb.width, m_rgb.height};
        Resized();
    } else if (m_lastChange.Empty()) {
        return;  // nothing to paint
    }
    emit frameTaken();
    m_unpainted = true;
    const Area a = resized ? Area{0, 0, width(), height()} : m_geometry.ToView(m_lastChange);
    update(a.x, a.y, a.width, a.height);
}

void LiveView::SetSource(ScreenReceiver* receiver) {
    m_source = receiver;
}

void LiveView::SetInput(DesktopChannel* command) {
    m_input = command;
    m_leftDown = false;
}

void LiveView::Clear() {
    m_image = QImage();
    m_rgb = {};
    m_next = {};
    m_lastChange = {};
    m_unpainted = false;
    update();
}

void LiveView::SetZoom(int percent) {
    if (percent == m_geometry.zoom) return;
    m_geometry.zoom = percent;
    Resized();
}

void LiveView::SetRotation(Rotation rotation) {
    if (rotation == m_geometry.rotation) return;
    m_geometry.rotation = rotation;
    Resized();
}

void LiveView::Resized() {
    const Extent e = m_geometry.ViewSize();
    setFixedSize(e.width, e.height);
    updateGeometry();
    update();
    emit sizeChanged();
}

QImage LiveView::Picture() const {
    return m_image.copy();
}

QSize LiveView::sizeHint() const {
    const Extent e = m_geometry.ViewSize();
    return {e.width, e.height};
}

void LiveView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (m_image.isNull()) {
        p.fillRect(event->rect(), QColor(64, 64, 64));
        return;
    }
    p.setClipRegion(event->region());
    const qreal s = m_geometry.zoom / 100.0;
    const Extent view = m_geometry.ViewSize();
    if (m_geometry.zoom % 100 != 0) p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Screen (x, y) shows at (h-1-y, x) turned clockwise, (y, w-1-x) the other way.
    if (m_geometry.rotation == Rotation::LandscapeCW) {
        p.translate(view.width, 0);
        p.rotate(90);
    } else if (m_geometry.rotation == Rotation::LandscapeCCW) {
        p.translate(0, view.height);
        p.rotate(-90);
    }
    p.scale(s, s);
    p.drawImage(0, 0, m_image);
    p.end();
    if (m_unpainted) {
        m_unpainted = false;
        emit framePainted();
    }
}

bool LiveView::SendMouse(uint8_t type, const QPoint& at) {
    if (!m_input || !m_input->IsOpen()) return false;
    const ViewGeometry::Absolute a = m_geometry.ToAbsolute(at.x(), at.y());
    if (type == kMove) {
        // Moves inside the same screen pixel tell the handheld nothing new.
        if (a.x == m_lastMove.x && a.y == m_lastMove.y) return true;
    }
    m_lastMove = a;
    return m_input->SendMouse(type, a.x, a.y);
}

void LiveView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_leftDown = true;
        SendMouse(kLeftDown, at);
    } else if (event->button() == Qt::RightButton) {
        SendMouse(kRightDown, at);
    }
}

void LiveView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_leftDown = false;
        SendMouse(kLeftUp, at);
    } else if (event->button() == Qt::RightButton) {
        SendMouse(kRightUp, at);
    }
}

void LiveView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & (Qt::LeftButton | Qt::RightButton))
        SendMouse(kMove, event->position().toPoint());
}

void LiveView::keyPressEvent(QKeyEvent* event) {
    KeyInput in;
    in.key = event->key();
    const Qt::KeyboardModifiers m = event->modifiers();
    in.shift = m & Qt::ShiftModifier;
    in.control = m & Qt::ControlModifier;
    in.alt = m & Qt::AltModifier;
    in.autoRepeat = event->isAutoRepeat();
    for (char32_t c : event->text().toUcs4()) in.text.push_back(c);
    const std::vector<KeyCommand> commands = MapKey(in, m_layout);
    if (commands.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!m_input || !m_input->IsOpen()) return;
    for (const KeyCommand& c : commands)
        if (!m_input->SendKey(c.command, c.value)) break;
}

// Local files only: the handheld takes copies of files, not addresses.
static QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

void LiveView::dragEnterEvent(QDragEnterEvent* event) {
    if (m_input && !LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void LiveView::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (!m_input || paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The copy runs after the drag has ended.
    QMetaObject::invokeMethod(
        this, [this, paths] { emit filesDropped(paths); }, Qt::QueuedConnection);
}

}  // namespace hd::desktop
