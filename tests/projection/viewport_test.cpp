#include "projection/viewport.h"

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
