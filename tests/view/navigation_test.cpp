#include "view/navigation.h"

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
