#include "app/app.h"
#include "geodata/boundary.h"
#include "geodata/catalogue.h"
#include "render/layers.h"
#include "render/memdc.h"
#include "projection/screenscale.h"
#include "view/view.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

struct LayersTest : testing::Test {
    CTesseloApp app;
    CTesseloView* view = nullptr;
    QImage image{400, 300, QImage::Format_RGB32};
    void SetUp() override
    {
        CWnd::SetManualTimers(true);
        ASSERT_TRUE(app.InitInstance({}));
        view = app.MainFrame()->View();
        image.fill(0xFF000000u);
        MapViewport& vp = view->m_vp;
        ResizeViewport(vp, 400, 300);
    }
    // Frames as the view composes them, at a zoom.
    void Frame(double zoom)
    {
        view->m_splash = false;
        view->m_vp.zoom = zoom;
        UpdateVisibleCorners(view->m_vp);
        view->RepaintNow();
    }
};

int CountColor(const QImage& img, COLORREF c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (PixelOf(c) & 0xFFFFFF);
    return n;
}

} // namespace

TEST(IsOnScreen, RightOrBelowButNotBoth)
{
    MapViewport vp;
    vp.clientWidth = 100;
    vp.clientHeight = 50;
    EXPECT_TRUE(IsOnScreen(vp, POINT{0, 0}));
    EXPECT_TRUE(IsOnScreen(vp, POINT{100, 50}));
    EXPECT_TRUE(IsOnScreen(vp, POINT{500, 10}));  // right of the area, not below
    EXPECT_TRUE(IsOnScreen(vp, POINT{10, 500}));  // below, not right
    EXPECT_FALSE(IsOnScreen(vp, POINT{101, 51}));
    EXPECT_FALSE(IsOnScreen(vp, POINT{-1, 10}));
    EXPECT_FALSE(IsOnScreen(vp, POINT{10, -1}));
}

TEST(MunicipalityColor, ByKind)
{
    EXPECT_EQ(MunicipalityColor(1), RGB(255, 71, 99));
    EXPECT_EQ(MunicipalityColor(2), RGB(99, 184, 255));
    EXPECT_EQ(MunicipalityColor(4), RGB(99, 184, 255));
    EXPECT_EQ(MunicipalityColor(3), RGB(127, 255, 0));
    EXPECT_EQ(MunicipalityColor(0), RGB(255, 20, 147));
}

TEST_F(LayersTest, GridMeridiansAcrossTheVisibleLongitudes)
{
    MapViewport& vp = view->m_vp;
    vp.topLeft = {138.4, 36.0};
    vp.bottomRight = {139.6, 35.0};
    vp.zoom = 5;
    vp.center = {139.0, 35.5};
    CDC dc(&image);
    DrawFirstLevelGrid(&dc, view->m_vp, view->m_style);
    // Meridians 137 to 140: 138 and 139 fall inside the 400-pixel view.
    for (double lon : {138.0, 139.0}) {
        const int x = GeoToClient(vp, GeoPoint{lon, 20.0}).x;
        ASSERT_GE(x, 0);
        ASSERT_LT(x, 400);
        EXPECT_EQ(dc.GetPixel(x, 150), RGB(255, 64, 64)) << lon;
        EXPECT_EQ(dc.GetPixel(x, 299), RGB(255, 64, 64)) << lon;
    }
    const int y = GeoToClient(vp, GeoPoint{121.0, 20.0 + 23 * 0.6666666666666666}).y;  // 35.333...
    EXPECT_EQ(dc.GetPixel(5, y), RGB(255, 64, 64));
}

TEST_F(LayersTest, MarkerTriangleStandsOnItsTip)
{
    MapViewport& vp = view->m_vp;
    view->m_marker = ClientToGeo(vp, POINT{100, 50});
    const POINT p = GeoToClient(vp, view->m_marker);
    CDC dc(&image);
    dc.SelectStockObject(WHITE_BRUSH);
    DrawMarker(&dc, view->m_vp, view->m_style, view->m_marker);
    // The tip at the marked pixel, the top edge 20 pixels above it from x - 7 to x + 7.
    EXPECT_EQ(dc.GetPixel(p.x, p.y), RGB(255, 69, 0));
    for (int x = p.x - 6; x <= p.x + 6; ++x)
        EXPECT_EQ(dc.GetPixel(x, p.y - 20), RGB(255, 69, 0)) << x;
    EXPECT_EQ(dc.GetPixel(p.x - 9, p.y - 20), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(p.x, p.y - 10), RGB(255, 255, 255));  // filled with the default brush
    image.fill(0xFF000000u);
    dc.SelectStockObject(NULL_BRUSH);
    DrawMarker(&dc, view->m_vp, view->m_style, view->m_marker);
    EXPECT_EQ(dc.GetPixel(p.x, p.y - 10), RGB(0, 0, 0));  // hollow after a tile layer
}

TEST_F(LayersTest, ThresholdsReachedExactlySwitchLayersOn)
{
    Frame(1.7);
    const int gridAt17 = CountColor(view->Surface(), RGB(255, 64, 64));
    Frame(1.6999);
    EXPECT_GT(gridAt17, 0);
    EXPECT_EQ(CountColor(view->Surface(), RGB(255, 64, 64)), 0);
    Frame(5.0);
    EXPECT_TRUE(view->m_buttonShown[kButtonIslands]);
    Frame(4.9999);
    EXPECT_FALSE(view->m_buttonShown[kButtonIslands]);
    EXPECT_TRUE(view->m_buttonShown[kButton5m]);  // 5 m button from 4.0 at scale 1
    Frame(g_fiveMeterZoom - 1e-9);
    EXPECT_FALSE(view->m_buttonShown[kButton5m]);
    EXPECT_TRUE(view->m_buttonShown[kButtonJump]);
    EXPECT_TRUE(view->m_buttonShown[kButtonHome]);
    Frame(18.0);
    EXPECT_FALSE(view->m_fineZoom);
    Frame(38.0);
    EXPECT_TRUE(view->m_buttonShown[kButtonMunicipalities]);
}

TEST_F(LayersTest, LabelsTilesAndBoundariesFromTheirThresholds)
{
    if (g_dem10Tiles.empty() || g_boundaryPoints.empty())
        GTEST_SKIP() << "no data sets embedded";
    view->m_vp.center = {139.767, 35.681};
    const RECT before = g_dem10Tiles[0].screenRect;
    Frame(18.0);  // no 10 m layer and no picking: the rectangles stay as they were
    EXPECT_EQ(g_dem10Tiles[0].screenRect, before);
    // Above 18 the 10 m tiles are picked, so their rectangles follow the frame undrawn.
    Frame(21.9999);
    EXPECT_NE(g_dem10Tiles[0].screenRect, before);
    const int grey = CountColor(view->Surface(), RGB(127, 127, 127));
    Frame(22.0);
    EXPECT_GT(CountColor(view->Surface(), RGB(127, 127, 127)), grey + 200);  // tile frames
    Frame(25.9999);
    const int tan = CountColor(view->Surface(), RGB(205, 179, 139));
    Frame(26.0);
    EXPECT_GT(CountColor(view->Surface(), RGB(205, 179, 139)), tan + 50);  // boundary lines
    // First-level labels (near-white text) from 2.9 up to 18.
    view->m_vp.center = {139.5, 35.67};
    Frame(2.8999);
    const int without = CountColor(view->Surface(), RGB(245, 245, 245));
    Frame(2.9);
    EXPECT_GT(CountColor(view->Surface(), RGB(245, 245, 245)), without);
}

TEST_F(LayersTest, TileLayersStoreEveryRectangleAndTheMarkerGoesHollow)
{
    if (g_dem10Tiles.empty())
        GTEST_SKIP() << "no 10 m catalogue embedded";
    view->m_vp.center = {139.7, 35.68};
    view->m_marker = view->m_vp.center;
    Frame(22.0);
    // Every 10 m tile's rectangle is rewritten, the one far away too.
    const DemTile& far = g_dem10Tiles.back();
    const POINT p1 = GeoToClient(view->m_vp, GeoPoint{far.bounds.west, far.bounds.south});
    EXPECT_EQ(far.screenRect.left, p1.x);
    EXPECT_EQ(far.screenRect.bottom, p1.y);
    const POINT tip = GeoToClient(view->m_vp, view->m_marker);
    EXPECT_NE(view->Surface().pixel(tip.x, tip.y - 10) & 0xFFFFFF, 0xFFFFFFu);
    // Without a tile layer the triangle is filled white.
    Frame(1.0);
    const POINT tip1 = GeoToClient(view->m_vp, view->m_marker);
    EXPECT_EQ(view->Surface().pixel(tip1.x, tip1.y - 10) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(LayersTest, NarrowViewsDrawNoButtons)
{
    app.MainFrame()->resize(119, 300);
    QApplication::processEvents();
    app.MainFrame()->RecalcLayout();
    Frame(50.0);
    for (bool shown : view->m_buttonShown)
        EXPECT_FALSE(shown);
}

TEST_F(LayersTest, BoundaryVerticesOnOnePixelDrawOneLine)
{
    BoundaryItems saved;
    saved.swap(g_boundaryPoints);
    MapViewport& vp = view->m_vp;
    vp.zoom = 30;
    vp.center = {139.0, 35.0};
    UpdateVisibleCorners(vp);
    const GeoPoint a = ClientToGeo(vp, POINT{10, 10}), b = ClientToGeo(vp, POINT{10, 10});
    const GeoPoint c = ClientToGeo(vp, POINT{60, 10});
    // A box touching the visible area only at its west edge still counts.
    g_boundaryPoints = {{0.0, 3.0}, {vp.topLeft.lon - 1, 34.0}, {vp.topLeft.lon, 36.0},
                        {a.lon, a.lat}, {b.lon, b.lat}, {c.lon, c.lat}};
    CDC dc(&image);
    DrawBoundaryLines(&dc, view->m_vp, view->m_style);
    EXPECT_EQ(dc.GetPixel(30, 10), RGB(205, 179, 139));
    g_boundaryPoints.swap(saved);
}
