#include "view/navigation.h"
#include "view/screenscale.h"
#include "view/viewport.h"

#include <gtest/gtest.h>

namespace {

MapViewport Viewport(int width, int height)
{
    MapViewport vp;
    InitViewport(vp, width, height);
    ResizeViewport(vp, width, height);
    return vp;
}

} // namespace

TEST(Viewport, InitialUpdateFixesScalesFromTheClientArea)
{
    const MapViewport vp = Viewport(917, 568);
    EXPECT_EQ(vp.lonPerPixel, 34.0 / 917);
    EXPECT_EQ(vp.latPerPixel, 26.0 / 568 * 0.7);
    EXPECT_EQ(vp.zoom, 0.6);
    EXPECT_EQ(vp.center, (GeoPoint{138.0, 34.0}));
    EXPECT_EQ(vp.anchorX, 458);
    EXPECT_EQ(vp.anchorY, 284);
}

TEST(Viewport, ResizeMovesOnlyTheAnchor)
{
    MapViewport vp = Viewport(917, 568);
    const double k = vp.lonPerPixel;
    ResizeViewport(vp, 1400, 800);
    EXPECT_EQ(vp.lonPerPixel, k);
    EXPECT_EQ(vp.anchorX, 700);
    EXPECT_EQ(vp.center, (GeoPoint{138.0, 34.0}));
    // Wider window, same scale: more longitude is visible.
    EXPECT_GT(vp.bottomRight.lon - vp.topLeft.lon, 917 * k / vp.zoom);
    EXPECT_EQ(vp.topLeft, ClientToGeo(vp, POINT{0, 0}));
    EXPECT_EQ(vp.bottomRight, ClientToGeo(vp, POINT{1400, 800}));
}

TEST(Viewport, AnchorAndCentreMapOntoEachOtherExactly)
{
    MapViewport vp = Viewport(933, 568);
    vp.zoom = 37.3;
    vp.center = {139.7543, 35.684};
    EXPECT_EQ(ClientToGeo(vp, POINT{vp.anchorX, vp.anchorY}), vp.center);
    EXPECT_EQ(GeoToClient(vp, vp.center), (POINT{vp.anchorX, vp.anchorY}));
}

TEST(Viewport, PixelRoundTripsAtManyZooms)
{
    MapViewport vp = Viewport(933, 568);
    for (double zoom : {0.6, 1.7, 22.0, 230.0, 1000.0}) {
        vp.zoom = zoom;
        for (POINT p : {POINT{0, 0}, POINT{1, 567}, POINT{932, 1}, POINT{-50, -20}, POINT{1200, 900}}) {
            const POINT back = GeoToClient(vp, ClientToGeo(vp, p));
            // The way back may truncate a hair below the pixel; never more than one off.
            EXPECT_LE(std::abs(back.x - p.x), 1) << zoom;
            EXPECT_LE(std::abs(back.y - p.y), 1) << zoom;
        }
    }
}

TEST(Viewport, GeoToClientTruncatesTowardZeroOnBothSidesOfTheOrigin)
{
    const MapViewport vp = Viewport(933, 568);
    const double px = vp.lonPerPixel / vp.zoom;
    const double py = vp.latPerPixel / vp.zoom;
    const GeoPoint origin = ClientToGeo(vp, POINT{0, 0});
    EXPECT_EQ(GeoToClient(vp, GeoPoint{origin.lon - 0.7 * px, origin.lat}).x, 0);
    EXPECT_EQ(GeoToClient(vp, GeoPoint{origin.lon - 1.3 * px, origin.lat}).x, -1);
    EXPECT_EQ(GeoToClient(vp, GeoPoint{origin.lon, origin.lat + 0.7 * py}).y, 0);
    EXPECT_EQ(GeoToClient(vp, GeoPoint{origin.lon, origin.lat + 1.3 * py}).y, -1);
    EXPECT_EQ(GeoToClient(vp, GeoPoint{origin.lon + 0.7 * px, origin.lat - 0.7 * py}), (POINT{0, 0}));
    EXPECT_EQ(GeoToClient(vp, GeoPoint{origin.lon + 1.3 * px, origin.lat - 1.3 * py}), (POINT{1, 1}));
}

TEST(Viewport, FarPointsSaturateInsteadOfOverflowing)
{
    MapViewport vp = Viewport(933, 568);
    vp.zoom = 1000;
    const POINT p = GeoToClient(vp, GeoPoint{1e12, -1e12});
    EXPECT_EQ(p.x, 2147483647);
    EXPECT_EQ(p.y, 2147483647);
}

TEST(Viewport, ZeroClientAreaGivesFiniteScales)
{
    MapViewport vp;
    InitViewport(vp, 0, 0);
    EXPECT_EQ(vp.lonPerPixel, 34.0);
    EXPECT_EQ(vp.latPerPixel, 26.0 * 0.7);
}

TEST(PanelLayout, OneColumnAtTheRightEdge)
{
    RECT b[7];
    LayoutPanelButtons(933, b);
    EXPECT_EQ(b[0], (RECT{933 - g_buttonWidth - 15, 10, 918, g_buttonHeight + 10}));
    for (int i = 1; i < 7; ++i) {
        EXPECT_EQ(b[i].left, b[0].left);
        EXPECT_EQ(b[i].right, b[0].right);
        EXPECT_EQ(b[i].top, b[i - 1].bottom + 5);
        EXPECT_EQ(b[i].bottom - b[i].top, g_buttonHeight);
    }
    EXPECT_EQ(b[6].bottom, 10 + 7 * g_buttonHeight + 6 * 5);
}

TEST(DragStep, FollowsThePointerWhileReliefIsOnScreen)
{
    MapViewport vp = Viewport(933, 568);
    GeoPoint c;
    ASSERT_TRUE(DragStep(vp, 10, -4, 100, GeoPoint{138, 33}, &c));
    EXPECT_EQ(c.lon, 138.0 - 10 * vp.lonPerPixel / vp.zoom);
    EXPECT_EQ(c.lat, -4 * vp.latPerPixel / vp.zoom + 34.0);
    // The point under the pointer stays under it.
    const GeoPoint before = ClientToGeo(vp, POINT{300, 200});
    vp.center = c;
    const GeoPoint after = ClientToGeo(vp, POINT{310, 196});
    EXPECT_NEAR(after.lon, before.lon, 1e-9);
    EXPECT_NEAR(after.lat, before.lat, 1e-9);
}

TEST(DragStep, WithoutReliefOnlyStepsTowardsHomeAreTaken)
{
    MapViewport vp = Viewport(933, 568);
    vp.center = {150.0, 40.0};  // east and north of (138, 33)
    GeoPoint c{-1, -1};
    // Dragging right moves the centre west (closer in longitude); taken whole.
    EXPECT_TRUE(DragStep(vp, 5, 5, 0, GeoPoint{138, 33}, &c));
    EXPECT_LT(c.lon, 150.0);
    EXPECT_GT(c.lat, 40.0);
    // Dragging up moves the centre south (closer in latitude only); taken.
    EXPECT_TRUE(DragStep(vp, -5, -5, 0, GeoPoint{138, 33}, &c));
    // Away in both: dropped, the centre untouched.
    c = {-1, -1};
    EXPECT_FALSE(DragStep(vp, -5, 5, 0, GeoPoint{138, 33}, &c));
    EXPECT_EQ(c, (GeoPoint{-1, -1}));
    // No movement at all is not closer either.
    EXPECT_FALSE(DragStep(vp, 0, 0, 0, GeoPoint{138, 33}, nullptr));
}

TEST(WheelStep, ZoomsAboutThePointerWithClampsAndBrightness)
{
    MapViewport vp = Viewport(933, 568);
    double brightness = 1.0;
    const POINT p{700, 100};
    const GeoPoint under = ClientToGeo(vp, p);
    WheelStep(vp, brightness, 120, p);
    EXPECT_DOUBLE_EQ(vp.zoom, 0.72);
    EXPECT_DOUBLE_EQ(brightness, 0.98);
    EXPECT_EQ(GeoToClient(vp, under).x, p.x);
    EXPECT_NEAR(ClientToGeo(vp, p).lon, under.lon, 1e-9);
    EXPECT_NEAR(ClientToGeo(vp, p).lat, under.lat, 1e-9);
    // Only the sign counts.
    WheelStep(vp, brightness, 1, p);
    EXPECT_DOUBLE_EQ(vp.zoom, 0.72 * 1.2);
    vp = Viewport(933, 568);
    brightness = 1.0;
    for (int i = 0; i < 41; ++i)
        WheelStep(vp, brightness, 120, p);
    EXPECT_EQ(vp.zoom, 1000.0);
    EXPECT_NEAR(brightness, 0.18, 1e-9);
    for (int i = 0; i < 10; ++i)
        WheelStep(vp, brightness, 120, p);
    EXPECT_EQ(vp.zoom, 1000.0);
    EXPECT_EQ(brightness, 0.1);
    // Out below the start zoom: held at 0.6; brightness never above 1.
    for (int i = 0; i < 100; ++i)
        WheelStep(vp, brightness, -120, p);
    EXPECT_EQ(vp.zoom, 0.6);
    EXPECT_EQ(brightness, 1.0);
    // A zero delta changes neither.
    WheelStep(vp, brightness, 0, p);
    EXPECT_EQ(vp.zoom, 0.6);
}
