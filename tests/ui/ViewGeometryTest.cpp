#include <gtest/gtest.h>

#include "desktop/ui/main/ViewGeometry.h"

namespace hd::desktop {
namespace {

// The handheld's own scaling of an absolute position back to a pixel.
int DevicePixel(uint16_t absolute, int size) {
    return int((uint32_t(absolute) * uint32_t(size)) >> 16);
}

struct Case {
    int zoom;
    Rotation rotation;
};

class MappingTest : public ::testing::TestWithParam<Case> {};

// Each corner of the view and its centre land on the right screen pixel, for
// a screen that is not square so that a swapped axis shows.
TEST_P(MappingTest, CornersAndCentreReachTheRightScreenPixels) {
    const Case c = GetParam();
    ViewGeometry g{{240, 320}, c.zoom, c.rotation};
    const Extent view = g.ViewSize();
    const bool landscape = c.rotation != Rotation::Portrait;
    EXPECT_EQ(view.width, (landscape ? 320 : 240) * c.zoom / 100);
    EXPECT_EQ(view.height, (landscape ? 240 : 320) * c.zoom / 100);

    struct Point {
        int vx, vy;  // view pixel
        int sx, sy;  // expected screen pixel
    };
    const int r = view.width - 1, b = view.height - 1;
    std::vector<Point> points;
    switch (c.rotation) {
        case Rotation::Portrait:
            points = {{0, 0, 0, 0}, {r, 0, 239, 0}, {0, b, 0, 319}, {r, b, 239, 319}};
            break;
        case Rotation::LandscapeCW:  // the screen's left edge is the view's top
            points = {{0, 0, 0, 319}, {r, 0, 0, 0}, {0, b, 239, 319}, {r, b, 239, 0}};
            break;
        case Rotation::LandscapeCCW:  // the screen's left edge is the view's bottom
            points = {{0, 0, 239, 0}, {r, 0, 239, 319}, {0, b, 0, 0}, {r, b, 0, 319}};
            break;
    }
    for (const Point& p : points) {
        const auto a = g.ToAbsolute(p.vx, p.vy);
        EXPECT_EQ(DevicePixel(a.x, 240), p.sx) << p.vx << "," << p.vy;
        EXPECT_EQ(DevicePixel(a.y, 320), p.sy) << p.vx << "," << p.vy;
        // Corners sit at the ends of the range, within one screen pixel.
        EXPECT_TRUE(a.x < 65536 / 240 || a.x > 65535 - 65536 / 240) << a.x;
        EXPECT_TRUE(a.y < 65536 / 320 || a.y > 65535 - 65536 / 320) << a.y;
    }
    // The view's centre is the screen's centre in every rotation.
    const auto m = g.ToAbsolute(view.width / 2, view.height / 2);
    EXPECT_NEAR(m.x, 32768, 65536 / 240 + 1);
    EXPECT_NEAR(m.y, 32768, 65536 / 320 + 1);
    // Outside the picture: clamped to its edge, never wrapped.
    const auto far = g.ToAbsolute(view.width + 50, -20);
    EXPECT_LE(far.x, 65535);
    const auto near = g.ToAbsolute(-5, -5);
    EXPECT_EQ(near.x, g.ToAbsolute(0, 0).x);
    EXPECT_EQ(near.y, g.ToAbsolute(0, 0).y);
}

std::vector<Case> AllCases() {
    std::vector<Case> all;
    for (Rotation r : {Rotation::Portrait, Rotation::LandscapeCW, Rotation::LandscapeCCW})
        for (int z : kZooms) all.push_back({z, r});
    return all;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* const kNames[] = {"Portrait", "LandscapeCW", "LandscapeCCW"};
    return kNames[int(info.param.rotation)] + std::to_string(info.param.zoom);
}

INSTANTIATE_TEST_SUITE_P(AllZoomsAndRotations, MappingTest, ::testing::ValuesIn(AllCases()),
                         CaseName);

TEST(ViewGeometry, EveryViewPixelReachesTheScreenPixelItShows) {
    // Walk a whole row and column at 150 %: each screen pixel is hit, in
    // order, by one or two view pixels, and never skipped.
    ViewGeometry g{{240, 320}, 150, Rotation::Portrait};
    int last = -1;
    for (int vx = 0; vx < 360; ++vx) {
        const int px = DevicePixel(g.ToAbsolute(vx, 0).x, 240);
        EXPECT_TRUE(px == last || px == last + 1) << vx;
        last = px;
    }
    EXPECT_EQ(last, 239);
}

TEST(ViewGeometry, ChangedScreenAreaBecomesTheViewAreaThatShowsIt) {
    const Area s{10, 20, 5, 8};  // screen pixels 10..14 x 20..27
    ViewGeometry portrait{{240, 320}, 200, Rotation::Portrait};
    const Area p = portrait.ToView(s);
    // Covers 20..29 x 40..55, with a pixel of margin.
    EXPECT_LE(p.x, 20);
    EXPECT_LE(p.y, 40);
    EXPECT_GE(p.x + p.width, 30);
    EXPECT_GE(p.y + p.height, 56);
    EXPECT_LE(p.width, 12);

    ViewGeometry cw{{240, 320}, 100, Rotation::LandscapeCW};
    const Area c = cw.ToView(s);
    // Screen rows 20..27 become view columns 320-28..320-21.
    EXPECT_LE(c.x, 292);
    EXPECT_GE(c.x + c.width, 300);
    EXPECT_LE(c.y, 10);
    EXPECT_GE(c.y + c.height, 15);

    ViewGeometry ccw{{240, 320}, 100, Rotation::LandscapeCCW};
    const Area w = ccw.ToView(s);
    // Screen columns 10..14 become view rows 240-15..240-11.
    EXPECT_LE(w.x, 20);
    EXPECT_GE(w.x + w.width, 28);
    EXPECT_LE(w.y, 225);
    EXPECT_GE(w.y + w.height, 230);
    EXPECT_LE(w.y + w.height, 240);

    EXPECT_TRUE(portrait.ToView(Area{}).Empty());
}

TEST(ViewGeometry, ChangedAreaIsTheBoundingBoxOfTheDifferences) {
    std::vector<uint32_t> a(8 * 6, 0), b = a;
    EXPECT_TRUE(ChangedArea(a, b, 8, 6).Empty());
    b[1 * 8 + 6] = 1;
    b[4 * 8 + 2] = 1;
    const Area c = ChangedArea(a, b, 8, 6);
    EXPECT_EQ(c.x, 2);
    EXPECT_EQ(c.y, 1);
    EXPECT_EQ(c.width, 5);
    EXPECT_EQ(c.height, 4);
    // A picture of another size (the first frame, a new screen) is all new.
    const Area all = ChangedArea({}, b, 8, 6);
    EXPECT_EQ(all.width, 8);
    EXPECT_EQ(all.height, 6);
}

TEST(ViewGeometry, StoredOrientationFollowsItsRule) {
    EXPECT_EQ(StoredOrientation(Rotation::Portrait), 0);
    EXPECT_EQ(StoredOrientation(Rotation::LandscapeCW), 1);
    EXPECT_EQ(StoredOrientation(Rotation::LandscapeCCW), 1);
    EXPECT_EQ(RotationFromStored(0), Rotation::Portrait);
    EXPECT_EQ(RotationFromStored(1), Rotation::LandscapeCCW);
    EXPECT_EQ(RotationFromStored(2), Rotation::LandscapeCCW);
}

}  // namespace
}  // namespace hd::desktop
