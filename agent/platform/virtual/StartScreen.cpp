#include "agent/platform/virtual/StartScreen.h"

#include <algorithm>
#include <cstdio>

#include "agent/platform/virtual/Font.h"

namespace hd::platform {

namespace {

constexpr uint16_t kBody = Rgb565(255, 255, 255);
constexpr uint16_t kTitle = Rgb565(0, 48, 144);
constexpr uint16_t kTitleText = Rgb565(255, 255, 255);
constexpr uint16_t kMark = Rgb565(255, 140, 0);
constexpr uint16_t kSoftBar = Rgb565(200, 200, 200);
constexpr uint16_t kSoftEdge = Rgb565(128, 128, 128);
constexpr uint16_t kText = Rgb565(0, 0, 0);

struct Tile {
    const char* label;
    uint16_t color;
};
constexpr Tile kTiles[] = {
    {"FILES", Rgb565(230, 170, 30)}, {"NOTES", Rgb565(60, 160, 60)}, {"MAIL", Rgb565(40, 100, 200)},
    {"TASKS", Rgb565(200, 60, 60)},  {"CALC", Rgb565(120, 80, 170)}, {"SETUP", Rgb565(90, 90, 100)},
};

constexpr const char kClockSample[] = "00:00:00";

void FillCircle(Canvas& canvas, int cx, int cy, int r, uint16_t color) {
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (dx * dx + dy * dy <= r * r) canvas.SetPixel(cx + dx, cy + dy, color);
}

}  // namespace

StartScreen::StartScreen(int width, int height)
    : m_width(width),
      m_height(height),
      m_scale(std::max(1, std::min(width, height) / 240)),
      m_barHeight(16 * m_scale) {
    const int s = m_scale;
    const int textWidth = font::TextWidth(kClockSample, s);
    m_clock = {width - 4 * s - textWidth - s, 0, textWidth + 2 * s, m_barHeight};
}

void StartScreen::DrawAll(Canvas& canvas, const std::tm& now) const {
    const int s = m_scale;
    canvas.FillRect(0, 0, m_width, m_height, kBody);

    canvas.FillRect(0, 0, m_width, m_barHeight, kTitle);
    FillCircle(canvas, 8 * s, 8 * s, 6 * s, kMark);
    font::DrawText(canvas, 6 * s, 5 * s, "H", kTitleText, s);
    const int textY = (m_barHeight - font::kGlyphHeight * s) / 2;
    font::DrawText(canvas, 18 * s, textY, "START", kTitleText, s);
    DrawClock(canvas, now);

    DrawTiles(canvas);
    DrawSoftKeys(canvas);
}

void StartScreen::DrawClock(Canvas& canvas, const std::tm& now) const {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.tm_hour % 100, now.tm_min % 100,
                  now.tm_sec % 100);
    canvas.FillRect(m_clock.x, m_clock.y, m_clock.w, m_clock.h, kTitle);
    const int textY = (m_barHeight - font::kGlyphHeight * m_scale) / 2;
    font::DrawText(canvas, m_clock.x + m_scale, textY, text, kTitleText, m_scale);
}

void StartScreen::DrawTiles(Canvas& canvas) const {
    const int s = m_scale;
    const int cellW = 60 * s, cellH = 56 * s, icon = 32 * s;
    const int cols = std::clamp(m_width / cellW, 1, int(std::size(kTiles)));
    const int left = (m_width - cols * cellW) / 2;
    const int top = m_barHeight + 8 * s;
    const int bottom = m_height - m_barHeight;
    for (int i = 0; i < int(std::size(kTiles)); ++i) {
        const int x = left + (i % cols) * cellW;
        const int y = top + (i / cols) * cellH;
        if (y + cellH > bottom) break;
        const Tile& t = kTiles[i];
        const int ix = x + (cellW - icon) / 2;
        canvas.FillRect(ix, y, icon, icon, t.color);
        // The tile's initial, twice the text size, in the middle of the icon.
        const int letterW = font::kGlyphWidth * 2 * s, letterH = font::kGlyphHeight * 2 * s;
        font::DrawText(canvas, ix + (icon - letterW) / 2, y + (icon - letterH) / 2,
                       std::string_view(t.label, 1), kBody, 2 * s);
        const int labelW = font::TextWidth(t.label, s);
        font::DrawText(canvas, x + (cellW - labelW) / 2, y + icon + 4 * s, t.label, kText, s);
    }
}

void StartScreen::DrawSoftKeys(Canvas& canvas) const {
    const int s = m_scale;
    const int y = m_height - m_barHeight;
    canvas.FillRect(0, y, m_width, m_barHeight, kSoftBar);
    canvas.FillRect(0, y, m_width, s, kSoftEdge);
    const int textY = y + (m_barHeight - font::kGlyphHeight * s) / 2;
    font::DrawText(canvas, 4 * s, textY, "NEW", kText, s);
    font::DrawText(canvas, m_width - 4 * s - font::TextWidth("MENU", s), textY, "MENU", kText, s);
    // A keyboard button in the middle: an outline with two rows of keys.
    const int kw = 16 * s, kh = 10 * s, kx = (m_width - kw) / 2, ky = y + 3 * s;
    canvas.FillRect(kx, ky, kw, s, kText);
    canvas.FillRect(kx, ky + kh - s, kw, s, kText);
    canvas.FillRect(kx, ky, s, kh, kText);
    canvas.FillRect(kx + kw - s, ky, s, kh, kText);
    for (int k = 0; k < 4; ++k) {
        canvas.FillRect(kx + (2 + 3 * k) * s, ky + 3 * s, 2 * s, s, kText);
        canvas.FillRect(kx + (2 + 3 * k) * s, ky + 6 * s, 2 * s, s, kText);
    }
}

}  // namespace hd::platform
