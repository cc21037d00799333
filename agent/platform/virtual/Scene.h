// Scene: what the virtual display shows. The display calls it under its
// drawing lock: DrawAll at start and on Redraw; DrawClock and then Refresh on
// the screen thread before every capture, so that all drawing happens on the
// thread that reads the memory and a capture never sees half a change. A
// scene must not call back into the display from these, and never draws
// outside the canvas.
#pragma once

#include <ctime>

#include "agent/platform/virtual/Canvas.h"

namespace hd::platform {

class Scene {
public:
    virtual ~Scene() = default;
    virtual void DrawAll(Canvas& canvas, const std::tm& now) = 0;
    // Only when the second has changed since the last call.
    virtual void DrawClock(Canvas& canvas, const std::tm& now) = 0;
    // Draws whatever changed since the last call.
    virtual void Refresh(Canvas&) {}
};

}  // namespace hd::platform
