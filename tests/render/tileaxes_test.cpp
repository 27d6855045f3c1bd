#include "render/tileaxes.h"

#include "geodata/meshcode.h"
#include "projection/viewport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

DemTile TileOf(MeshCode code)
{
    DemTile t;
    t.code = code;
    MeshCodeToRect(code, t.bounds);
    return t;
}

RECT Projected(const MapViewport& vp, const GeoRect& b)
{
    return RECT{GeoToClient(vp, GeoPoint{b.west, b.north}).x, GeoToClient(vp, GeoPoint{b.west, b.north}).y,
                GeoToClient(vp, GeoPoint{b.east, b.south}).x, GeoToClient(vp, GeoPoint{b.east, b.south}).y};
}

} // namespace

TEST(TileAxes, RectanglesAreThoseOfTheProjectionForAnyViewport)
{
    std::mt19937 rng(11);
    DemTiles tiles;
    for (int i = 0; i < 3000; ++i)
        tiles.push_back(TileOf(static_cast<MeshCode>(36230000 + rng() % 32000000)));
    // Hand-made bounds: a repeated edge, a negative zero, a NaN, infinities.
    DemTile odd;
    odd.bounds = GeoRect{-0.0, 0.0, std::numeric_limits<double>::quiet_NaN(), INFINITY};
    tiles.push_back(odd);
    odd.bounds = GeoRect{-INFINITY, 139.0, 35.0, 139.0};
    tiles.push_back(odd);
    const TileAxes axes(tiles);
    std::vector<int> xs, ys;
    for (int k = 0; k < 50; ++k) {
        MapViewport vp;
        InitViewport(vp, 933, 600);
        vp.zoom = std::pow(10.0, (rng() % 5000) / 1000.0 - 1);
        vp.center = GeoPoint{122 + (rng() % 3200) / 100.0, 24 + (rng() % 2200) / 100.0};
        axes.Project(vp, xs, ys);
        for (size_t i = 0; i < tiles.size(); ++i)
            ASSERT_EQ(axes.RectOf(i, xs, ys), Projected(vp, tiles[i].bounds)) << i << " at zoom " << vp.zoom;
    }
}

TEST(TileAxes, MadeAgainWhenTheCollectionChanges)
{
    DemTiles tiles{TileOf(533945)};
    const TileAxes* first = &TileAxesFor(tiles);
    EXPECT_EQ(first, &TileAxesFor(tiles));
    tiles.push_back(TileOf(533946));
    const TileAxes& again = TileAxesFor(tiles);
    EXPECT_TRUE(again.Fits(tiles));
    MapViewport vp;
    InitViewport(vp, 933, 600);
    vp.zoom = 40;
    vp.center = GeoPoint{139.7, 35.7};
    std::vector<int> xs, ys;
    again.Project(vp, xs, ys);
    EXPECT_EQ(again.RectOf(1, xs, ys), Projected(vp, tiles[1].bounds));
}
