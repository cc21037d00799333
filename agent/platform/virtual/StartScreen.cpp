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

constexpr StartScreen::Tile kTiles[] = {
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

StartScreen::StartScreen(int width, int height, std::span<const Tile> tiles)
    : m_width(width),
      m_height(height),
      m_scale(std::max(1, std::min(width, height) / 240)),
      m_barHeight(16 * m_scale) {
    const int s = m_scale;
    const int textWidth = font::TextWidth(kClockSample, s);
    m_clock = {width - 4 * s - textWidth - s, 0, textWidth + 2 * s, m_barHeight};
    if (tiles.empty()) tiles = kTiles;
    m_tiles.assign(tiles.begin(), tiles.end());
}

void StartScreen::DrawAll(Canvas& canvas, const std::tm& now) {
    canvas.FillRect(0, 0, m_width, m_height, kBody);
    DrawTitleBar(canvas, "START", now);
    DrawTiles(canvas);
    DrawSoftKeys(canvas, "NEW", "", "MENU");
}

void StartScreen::DrawTitleBar(Canvas& canvas, std::string_view title, const std::tm& now) const {
    const int s = m_scale;
    canvas.FillRect(0, 0, m_width, m_barHeight, kTitle);
    FillCircle(canvas, 8 * s, 8 * s, 6 * s, kMark);
    font::DrawText(canvas, 6 * s, 5 * s, "H", kTitleText, s);
    const int textY = (m_barHeight - font::kGlyphHeight * s) / 2;
    // The title stops short of the clock.
    const int room = std::max(0, (m_clock.x - 20 * s) / (font::kAdvance * s));
    font::DrawText(canvas, 18 * s, textY, title.substr(0, size_t(room)), kTitleText, s);
    DrawClockArea(canvas, now);
}

void StartScreen::DrawClock(Canvas& canvas, const std::tm& now) {
    DrawClockArea(canvas, now);
}

void StartScreen::DrawClockArea(Canvas& canvas, const std::tm& now) const {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.tm_hour % 100, now.tm_min % 100,
                  now.tm_sec % 100);
    canvas.FillRect(m_clock.x, m_clock.y, m_clock.w, m_clock.h, kTitle);
    const int textY = (m_barHeight - font::kGlyphHeight * m_scale) / 2;
    font::DrawText(canvas, m_clock.x + m_scale, textY, text, kTitleText, m_scale);
}

Rect StartScreen::TileRect(int index) const {
    const int s = m_scale;
    const int cellW = 60 * s, cellH = 56 * s;
    const int cols = std::clamp(m_width / cellW, 1, std::max(1, TileCount()));
    const int left = (m_width - cols * cellW) / 2;
    const int top = m_barHeight + 8 * s;
    return {left + (index % cols) * cellW, top + (index / cols) * cellH, cellW, cellH};
}

int StartScreen::TileAt(int x, int y) const {
    for (int i = 0; i < TileCount(); ++i) {
        const Rect r = TileRect(i);
        if (r.y + r.h > m_height - m_barHeight) break;
        if (r.Contains(x, y)) return i;
    }
    return -1;
}

int StartScreen::SoftKeyAt(int x, int y) const {
    const Rect bar = SoftKeyBar();
    if (!bar.Contains(x, y)) return -1;
    return std::min(2, x * 3 / std::max(1, m_width));
}

void StartScreen::DrawTiles(Canvas& canvas, int pressed) const {
    const int s = m_scale;
    const int icon = 32 * s;
    for (int i = 0; i < TileCount(); ++i) {
        const Rect cell = TileRect(i);
        if (cell.y + cell.h > m_height - m_barHeight) break;
        const Tile& t = m_tiles[size_t(i)];
        const int ix = cell.x + (cell.w - icon) / 2, y = cell.y;
        // A pressed tile is framed; the frame's place is cleared otherwise.
        canvas.FillRect(ix - 2 * s, y - 2 * s, icon + 4 * s, icon + 4 * s,
                        i == pressed ? kText : kBody);
        canvas.FillRect(ix, y, icon, icon, t.color);
        // The tile's initial, twice the text size, in the middle of the icon.
        const int letterW = font::kGlyphWidth * 2 * s, letterH = font::kGlyphHeight * 2 * s;
        font::DrawText(canvas, ix + (icon - letterW) / 2, y + (icon - letterH) / 2,
                       std::string_view(t.label, 1), kBody, 2 * s);
        const int labelW = font::TextWidth(t.label, s);
        font::DrawText(canvas, cell.x + (cell.w - labelW) / 2, y + icon + 4 * s, t.label, kText, s);
    }
}

void StartScreen::DrawSoftKeys(Canvas& canvas, std::string_view left, std::string_view middle,
                               std::string_view right) const {
    const int s = m_scale;
    const int y = m_height - m_barHeight;
    canvas.FillRect(0, y, m_width, m_barHeight, kSoftBar);
    canvas.FillRect(0, y, m_width, s, kSoftEdge);
    const int textY = y + (m_barHeight - font::kGlyphHeight * s) / 2;
    font::DrawText(canvas, 4 * s, textY, left, kText, s);
    font::DrawText(canvas, m_width - 4 * s - font::TextWidth(right, s), textY, right, kText, s);
    if (!middle.empty()) {
        font::DrawText(canvas, (m_width - font::TextWidth(middle, s)) / 2, textY, middle, kText, s);
        return;
    }
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
