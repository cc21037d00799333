// The live view's geometry: how the handheld's screen lies in the view at a
// zoom and a rotation, how a point of the view becomes the handheld's absolute
// input position (0..65535 on each axis), and how a changed area of the screen
// becomes the area of the view to repaint. Plain functions over plain values,
// any thread; the view widget only asks them.
#pragma once

#include <cstdint>
#include <vector>

namespace hd::desktop {

// The view's rotation modes. The settings store keeps only 0 (portrait) or 1
// (either landscape); a start with a stored 1 shows Landscape (CCW).
enum class Rotation { Portrait = 0, LandscapeCW = 1, LandscapeCCW = 2 };

Rotation RotationFromStored(int orientation);
int StoredOrientation(Rotation rotation);

struct Extent {
    int width = 0;
    int height = 0;
};

struct Area {
    int x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// The zoom levels the View menu offers, in percent.
inline constexpr int kZooms[] = {100, 120, 150, 200, 300};

struct ViewGeometry {
    Extent device;   // the handheld's screen in pixels
    int zoom = 100;  // percent
    Rotation rotation = Rotation::Portrait;

    // The view's size in pixels: the screen scaled, sides swapped in landscape.
    Extent ViewSize() const;

    // The view pixel (x, y) as the handheld's absolute position; points
    // outside the picture are clamped to its edge. The pixel's centre is
    // mapped, so that the handheld scales it back into the same screen pixel.
    struct Absolute {
        uint16_t x, y;
    };
    Absolute ToAbsolute(int x, int y) const;

    // The area of the view that shows the given area of the screen, widened
    // by a pixel for the smoothing of non-integer zooms.
    Area ToView(const Area& screen) const;
};

// The bounding box of the pixels that differ between two pictures of the same
// size (rows of width pixels); the whole picture when the sizes differ.
Area ChangedArea(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after, int width,
                 int height);

}  // namespace hd::desktop
