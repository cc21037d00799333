// StartScreen: the virtual handheld's start screen and the frame every screen
// of it shares: a title bar with a start mark, a title and an HH:MM:SS clock,
// icon tiles, and a soft-key bar. Draws onto a Canvas under the display's
// drawing lock; holds only the layout for one screen size and its tiles, and
// never draws outside the canvas.
#pragma once

#include <ctime>
#include <span>
#include <string_view>
#include <vector>

#include "agent/platform/virtual/Canvas.h"
#include "agent/platform/virtual/Scene.h"

namespace hd::platform {

class StartScreen : public Scene {
public:
    using Rect = platform::Rect;
    struct Tile {
        const char* label;
        uint16_t color;
    };

    // The built-in tiles when none are given.
    StartScreen(int width, int height, std::span<const Tile> tiles = {});

    // The whole screen, clock included.
    void DrawAll(Canvas& canvas, const std::tm& now) override;
    // Only the clock's area: what a new second changes.
    void DrawClock(Canvas& canvas, const std::tm& now) override;

    // The pieces, for screens that share the frame.
    void DrawTitleBar(Canvas& canvas, std::string_view title, const std::tm& now) const;
    // An empty middle label shows the keyboard button.
    void DrawSoftKeys(Canvas& canvas, std::string_view left, std::string_view middle,
                      std::string_view right) const;
    void DrawTiles(Canvas& canvas, int pressed = -1) const;
    void DrawClockArea(Canvas& canvas, const std::tm& now) const;

    int Scale() const { return m_scale; }
    Rect ClockRect() const { return m_clock; }
    Rect TitleBar() const { return {0, 0, m_width, m_barHeight}; }
    Rect SoftKeyBar() const { return {0, m_height - m_barHeight, m_width, m_barHeight}; }
    // Between the two bars.
    Rect Body() const { return {0, m_barHeight, m_width, m_height - 2 * m_barHeight}; }
    // Thirds of the soft-key bar: 0 left, 1 middle, 2 right; -1 elsewhere.
    int SoftKeyAt(int x, int y) const;
    // The tile under (x, y), or -1. Tiles that do not fit are not shown.
    int TileAt(int x, int y) const;
    Rect TileRect(int index) const;
    int TileCount() const { return int(m_tiles.size()); }

private:
    int m_width;
    int m_height;
    int m_scale;      // 1 on handheld-sized screens, more on big ones
    int m_barHeight;  // title and soft-key bars
    Rect m_clock;
    std::vector<Tile> m_tiles;
};

}  // namespace hd::platform
