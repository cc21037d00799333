// StartScreen: draws the virtual handheld's start screen (title bar with a
// start mark and an HH:MM:SS clock, icon tiles, soft-key bar) onto a Canvas.
// Called by the virtual display under its drawing lock; holds only the layout
// for one screen size and never draws outside the canvas.
#pragma once

#include <ctime>

#include "agent/platform/virtual/Canvas.h"

namespace hd::platform {

class StartScreen {
public:
    struct Rect {
        int x, y, w, h;
    };

    StartScreen(int width, int height);

    // The whole screen, clock included.
    void DrawAll(Canvas& canvas, const std::tm& now) const;
    // Only the clock's area: what a new second changes.
    void DrawClock(Canvas& canvas, const std::tm& now) const;

    int Scale() const { return m_scale; }
    Rect ClockRect() const { return m_clock; }
    Rect TitleBar() const { return {0, 0, m_width, m_barHeight}; }
    Rect SoftKeyBar() const { return {0, m_height - m_barHeight, m_width, m_barHeight}; }

private:
    void DrawTiles(Canvas& canvas) const;
    void DrawSoftKeys(Canvas& canvas) const;

    int m_width;
    int m_height;
    int m_scale;      // 1 on handheld-sized screens, more on big ones
    int m_barHeight;  // title and soft-key bars
    Rect m_clock;
};

}  // namespace hd::platform
