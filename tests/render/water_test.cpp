// Lakes in the frames of the real window, from the embedded data: water where there is water.
#include "geodata/meshdb.h"
#include "../map_window_fixture.h"
#include "projection/viewport.h"

namespace {

struct WaterTest : MapWindowTest {
    // The frame's pixel at a point, the map centred there.
    QRgb PixelAt(double zoom, GeoPoint at)
    {
        Frame(zoom, at.lon, at.lat);
        return Pixel(GeoToClient(view->m_vp, at));
    }
};

constexpr QRgb kSea = 0x0000FA;  // the sea's colour (R 0, G 0, B 250) at full brightness

// In the open water of 琵琶湖's northern basin and its southern basin, away from the lake's and
// its islands' names, and two places on land beside it.
constexpr GeoPoint kBiwaNorth{136.13, 35.30};
constexpr GeoPoint kBiwaSouth{135.93, 35.08};
constexpr GeoPoint kKyoto{135.76, 34.99};
constexpr GeoPoint kHikone{136.32, 35.22};

} // namespace

TEST_F(WaterTest, BiwaIsWaterAtZoomEightAndForty)
{
    if (view->m_meshDB.SheetCount() == 0)
        GTEST_SKIP() << "no elevation raster embedded";
    ASSERT_EQ(view->m_relief.brightness, 1.0);
    for (double zoom : {8.0, 40.0}) {
        EXPECT_EQ(PixelAt(zoom, kBiwaNorth), kSea) << zoom;
        EXPECT_EQ(PixelAt(zoom, kBiwaSouth), kSea) << zoom;
        EXPECT_NE(PixelAt(zoom, kKyoto), kSea) << zoom;
        EXPECT_NE(PixelAt(zoom, kHikone), kSea) << zoom;
    }
}
