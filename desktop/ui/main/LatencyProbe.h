// LatencyProbe: measures the time from a key press in the live view to the
// picture that shows its effect painted. It brings the handheld's notes to
// the front, learns which area changes on its own (the clock) while nobody
// types, then presses a letter key N times and times each press until a
// painted frame changes more than that area. User-interface thread; owned by
// the start-up code, which prints the report. It only types into the view.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <vector>

#include "desktop/session/ScreenImage.h"
#include "desktop/ui/main/ViewGeometry.h"

class QTimer;

namespace hd::desktop {

class LiveView;

class LatencyProbe : public QObject {
    Q_OBJECT
public:
    // bringNotesForward brings the notes to the front (application button 1).
    LatencyProbe(LiveView& view, int presses, std::function<void()> bringNotesForward,
                 QObject* parent = nullptr);

    // Starts once the first frame has been painted.
    void Start();
    // Milliseconds per press, in order; complete once finished() is emitted.
    const std::vector<double>& Samples() const { return m_samples; }
    double Median() const;
    bool Failed() const { return m_failed; }

    // The pause while nobody types, and the wait for each press (tests shorten them).
    void SetTimings(int settleMs, int learnMs, int timeoutMs);

signals:
    void finished();

private:
    enum class Phase { Idle, Settle, Learn, Wait, Gap, Done };
    void OnPainted();
    void Press();
    void Finish(bool failed);
    static bool Inside(const Area& a, const Area& outer);
    static Area Union(const Area& a, const Area& b);

    LiveView& m_view;
    const int m_presses;
    std::function<void()> m_bringNotesForward;
    Phase m_phase = Phase::Idle;
    int m_settleMs = 800, m_learnMs = 2500, m_timeoutMs = 3000;
    Area m_ambient;  // what changes while nobody types
    RgbImage m_before;
    std::chrono::steady_clock::time_point m_pressedAt;
    std::vector<double> m_samples;
    QTimer* m_timeout;
    bool m_failed = false;
};

}  // namespace hd::desktop
