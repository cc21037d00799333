#include "agent/platform/virtual/InkApp.h"

#include <cstdlib>

namespace hd::platform {

namespace {
constexpr uint16_t kPaper = Rgb565(255, 255, 255);
constexpr uint16_t kRule = Rgb565(210, 225, 255);
constexpr uint16_t kInk = Rgb565(0, 0, 160);
}  // namespace

void InkApp::Draw(Canvas& client) {
    client.FillRect(0, 0, client.Width(), client.Height(), kPaper);
    const int gap = 20 * m_scale;
    for (int y = gap; y < client.Height(); y += gap)
        client.FillRect(0, y, client.Width(), 1, kRule);
    for (const auto& stroke : m_strokes)
        for (size_t i = 0; i < stroke.size(); ++i)
            Segment(client, stroke[i ? i - 1 : 0], stroke[i]);
}

// A line of square dots, one scale unit wide.
void InkApp::Segment(Canvas& client, Point a, Point b) const {
    const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        client.FillRect(a.x, a.y, m_scale, m_scale, kInk);
        if (a.x == b.x && a.y == b.y) return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            a.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            a.y += sy;
        }
    }
}

void InkApp::Stylus(StylusAction action, int x, int y) {
    if (action == StylusAction::Up) {
        m_drawing = false;
        return;
    }
    if (action == StylusAction::Down) {
        m_drawing = m_points < kMaxPoints;
        if (m_drawing) m_strokes.emplace_back();
    }
    if (!m_drawing || m_points >= kMaxPoints) return;
    m_strokes.back().push_back({x, y});
    ++m_points;
}

void InkApp::MiddleKeyPressed() {
    m_strokes.clear();
    m_points = 0;
    m_drawing = false;
}

}  // namespace hd::platform
