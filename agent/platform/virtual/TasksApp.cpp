#include "agent/platform/virtual/TasksApp.h"

#include <cstdio>

#include "agent/platform/virtual/Font.h"

namespace hd::platform {

namespace {
constexpr uint16_t kBack = Rgb565(255, 255, 255);
constexpr uint16_t kStripe = Rgb565(235, 240, 250);
constexpr uint16_t kPressed = Rgb565(0, 48, 144);
constexpr uint16_t kText = Rgb565(0, 0, 0);
constexpr uint16_t kPressedText = Rgb565(255, 255, 255);
}  // namespace

void TasksApp::Draw(Canvas& client) {
    const int s = m_scale, rowH = RowHeight();
    client.FillRect(0, 0, client.Width(), client.Height(), kBack);
    font::DrawText(client, 4 * s, 4 * s, "RUNNING PROGRAMS", kText, s);
    for (size_t i = 0; i < m_apps.size(); ++i) {
        const int y = rowH + int(i) * rowH;
        if (y + rowH > client.Height()) break;
        const bool pressed = int(i) == m_pressed;
        client.FillRect(0, y, client.Width(), rowH, pressed ? kPressed : i % 2 ? kBack : kStripe);
        char pid[16];
        std::snprintf(pid, sizeof pid, "%08X", m_apps[i].pid);
        const uint16_t color = pressed ? kPressedText : kText;
        const int ty = y + (rowH - font::kGlyphHeight * s) / 2;
        font::DrawText(client, 4 * s, ty, m_apps[i].title, color, s);
        font::DrawText(client, client.Width() - 4 * s - font::TextWidth(pid, s), ty, pid, color, s);
    }
}

void TasksApp::Stylus(StylusAction action, int, int y) {
    const int row = y / RowHeight() - 1;
    const bool shown = (row + 2) * RowHeight() <= m_height;
    const int at = row >= 0 && size_t(row) < m_apps.size() && shown ? row : -1;
    if (action == StylusAction::Down) {
        m_pressed = at;
    } else if (action == StylusAction::Up) {
        if (at >= 0 && at == m_pressed) m_chosen = m_apps[size_t(at)].pid;
        m_pressed = -1;
    }
}

}  // namespace hd::platform
