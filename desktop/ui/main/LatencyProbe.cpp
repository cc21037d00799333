#include "desktop/ui/main/LatencyProbe.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>

#include "desktop/ui/main/LiveView.h"

namespace hd::desktop {

LatencyProbe::LatencyProbe(LiveView& view, int presses, std::function<void()> bringNotesForward,
                           QObject* parent)
    : QObject(parent),
      m_view(view),
      m_presses(presses),
      m_bringNotesForward(std::move(bringNotesForward)),
      m_timeout(new QTimer(this)) {
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] { Finish(true); });
    connect(&m_view, &LiveView::framePainted, this, &LatencyProbe::OnPainted);
}

void LatencyProbe::SetTimings(int settleMs, int learnMs, int timeoutMs) {
    m_settleMs = settleMs;
    m_learnMs = learnMs;
    m_timeoutMs = timeoutMs;
}

void LatencyProbe::Start() {
    m_phase = Phase::Settle;
    if (m_bringNotesForward) m_bringNotesForward();
    QTimer::singleShot(m_settleMs, this, [this] {
        m_phase = Phase::Learn;
        m_ambient = {};
        QTimer::singleShot(m_learnMs, this, &LatencyProbe::Press);
    });
}

void LatencyProbe::Press() {
    if (m_phase == Phase::Done) return;
    m_before = m_view.Pixels();
    m_phase = Phase::Wait;
    const int letter = int(m_samples.size() % 26);
    const QString text(QChar('a' + letter));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + letter, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + letter, Qt::NoModifier, text);
    m_timeout->start(m_timeoutMs);
    m_pressedAt = std::chrono::steady_clock::now();
    QCoreApplication::sendEvent(&m_view, &press);
    QCoreApplication::sendEvent(&m_view, &release);
}

void LatencyProbe::OnPainted() {
    if (m_phase == Phase::Learn) {
        m_ambient = Union(m_ambient, m_view.LastChange());
        return;
    }
    if (m_phase != Phase::Wait) return;
    const RgbImage& now = m_view.Pixels();
    const Area changed = ChangedArea(m_before.pixels, now.pixels, now.width, now.height);
    // The clock ticking on its own is not the key's effect.
    if (changed.Empty() || Inside(changed, m_ambient)) return;
    const auto took = std::chrono::steady_clock::now() - m_pressedAt;
    m_samples.push_back(std::chrono::duration<double, std::milli>(took).count());
    m_timeout->stop();
    if (int(m_samples.size()) >= m_presses) {
        Finish(false);
        return;
    }
    m_phase = Phase::Gap;
    // A short gap, so each press starts from a settled screen.
    QTimer::singleShot(50, this, &LatencyProbe::Press);
}

void LatencyProbe::Finish(bool failed) {
    if (m_phase == Phase::Done) return;
    m_phase = Phase::Done;
    m_failed = failed;
    m_timeout->stop();
    emit finished();
}

double LatencyProbe::Median() const {
    if (m_samples.empty()) return 0;
    std::vector<double> s = m_samples;
    std::sort(s.begin(), s.end());
    const size_t n = s.size();
    return n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
}

bool LatencyProbe::Inside(const Area& a, const Area& outer) {
    if (outer.Empty()) return false;
    return a.x >= outer.x && a.y >= outer.y && a.x + a.width <= outer.x + outer.width &&
           a.y + a.height <= outer.y + outer.height;
}

Area LatencyProbe::Union(const Area& a, const Area& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width);
    const int y1 = std::max(a.y + a.height, b.y + b.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace hd::desktop
