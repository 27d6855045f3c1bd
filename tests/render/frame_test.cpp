// Whole map frames at 1920 x 1080, as the window composes them, against the same viewport drawn
// the plain way; and the zoom thresholds of the 5 m layer, told by what they draw.
#include "app/app.h"
#include "geodata/catalogue.h"
#include "render/memdc.h"
#include "tests/render/plain_render.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kW = 1920, kH = 1080;

struct FrameTest : testing::Test {
    CTesseloApp app;
    CTesseloView* view = nullptr;
    void SetUp() override
    {
        CWnd::SetManualTimers(true);
        ASSERT_TRUE(app.InitInstance({}));
        view = app.MainFrame()->View();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app.MainFrame()));
        view->FireTimer(kStartupTimerId);
        CMainFrame* frame = app.MainFrame();
        frame->resize(kW + frame->width() - view->width(), kH + frame->height() - view->height());
        QApplication::processEvents();
        frame->RecalcLayout();
        ASSERT_EQ(view->width(), kW);
        ASSERT_EQ(view->height(), kH);
        ASSERT_EQ(view->m_vp.clientWidth, kW);
    }
    void Resize(int w, int h)
    {
        CMainFrame* frame = app.MainFrame();
        frame->resize(w + frame->width() - view->width(), h + frame->height() - view->height());
        QApplication::processEvents();
        frame->RecalcLayout();
        ASSERT_EQ(view->width(), w);
        ASSERT_EQ(view->m_vp.clientHeight, h);
    }
    // A frame over whatever the window showed before, here a colour no frame has.
    const QImage& Frame(double zoom, GeoPoint center, bool fiveMeter = false)
    {
        CDC* dc = view->GetDC();
        dc->FillSolidRect(RECT{0, 0, view->width(), view->height()}, RGB(1, 2, 3));
        view->ReleaseDC(dc);
        view->m_vp.zoom = zoom;
        view->m_vp.center = center;
        view->m_show5m = fiveMeter;
        UpdateVisibleCorners(view->m_vp);
        view->RepaintNow();
        return view->Surface();
    }
    void ExpectPlain(const char* scene)
    {
        const QImage plain = PlainFrame(*view);
        EXPECT_EQ(FirstDifference(view->Surface(), plain), "") << scene;
    }
};

int CountColor(const QImage& image, COLORREF c, const RECT& r)
{
    int n = 0;
    for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, image.height()); ++y)
        for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, image.width()); ++x)
            n += (image.pixel(x, y) & 0xFFFFFFu) == (PixelOf(c) & 0xFFFFFFu);
    return n;
}

const GeoPoint kTokyo{139.767, 35.681};
const RECT kAll{0, 0, kW, kH};

} // namespace

TEST_F(FrameTest, EveryBenchmarkSceneAsThePlainDrawing)
{
    if (g_dem10Tiles.empty() || g_dem5Tiles.empty())
        GTEST_SKIP() << "no catalogues embedded";
    view->m_marker = GeoPoint{139.75, 35.66};
    Frame(0.6, GeoPoint{138, 34});
    ExpectPlain("country");
    Frame(5.0, GeoPoint{139.7, 35.6});
    ExpectPlain("zoom5: sheet labels, island names");
    Frame(22.0, kTokyo);
    ExpectPlain("tokyo22: 10 m tile frames and codes");
    Frame(38.0, kTokyo);
    ExpectPlain("tokyo38: municipality names, boundaries");
    Frame(4.0, GeoPoint{138, 36}, true);
    ExpectPlain("dots5m");
    Frame(15.0, kTokyo, true);
    ExpectPlain("rects5m");
    Frame(230.0, kTokyo, true);
    ExpectPlain("codes230");
}

// At 3840 x 2160 the tiles are walked on both cores and the 5 m frames written on both; the
// codes are drawn between them.
TEST_F(FrameTest, FiveMeterLayerAt4KAsThePlainDrawing)
{
    if (g_dem10Tiles.empty() || g_dem5Tiles.empty())
        GTEST_SKIP() << "no catalogues embedded";
    Resize(3840, 2160);
    for (GeoPoint at : {kTokyo, GeoPoint{139.7013, 35.6521}}) {
        Frame(14.999, at, true);
        ExpectPlain("dots");
        Frame(15.0, at, true);
        // Every tile's rectangle stored, on the screen or not, from both halves of the walk.
        size_t wrong = 0;
        for (const DemTile& t : g_dem5Tiles) {
            const POINT nw = GeoToClient(view->m_vp, GeoPoint{t.bounds.west, t.bounds.north});
            const POINT se = GeoToClient(view->m_vp, GeoPoint{t.bounds.east, t.bounds.south});
            wrong += !(t.screenRect == RECT{nw.x, nw.y, se.x, se.y});
        }
        EXPECT_EQ(wrong, 0u);
        ExpectPlain("rects5m");
        Frame(230.0, at, true);
        ExpectPlain("codes230");
    }
    Frame(22.0, kTokyo, false);
    ExpectPlain("10 m frames and codes");
}

TEST_F(FrameTest, ThresholdsEdgesAndDimmedReliefAsThePlainDrawing)
{
    view->m_showMountains = view->m_showLakes = true;
    view->m_relief.brightness = 0.7;
    for (double z : {1.7, 2.9, 18.0, 18.0001, 26.0, 38.0}) {
        Frame(z, GeoPoint{137.2, 36.3});
        ExpectPlain(("zoom " + std::to_string(z)).c_str());
    }
    // The relief's last sheets cut by the window's edges, and the sea beyond them.
    Frame(3.0, GeoPoint{146.5, 44.0});
    ExpectPlain("north-east corner of the raster");
    Frame(3.0, GeoPoint{128.5, 26.5});
    ExpectPlain("south-west");
    // No sheet on the screen at all.
    Frame(40.0, GeoPoint{150.0, 25.0});
    EXPECT_EQ(view->m_relief.rowsPainted, 0);
    ExpectPlain("open sea");
}

TEST_F(FrameTest, StartupPictureOnBlack)
{
    view->m_splash = true;
    const QImage& shot = Frame(5.0, kTokyo);
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFFu, 0u);
    EXPECT_EQ(shot.pixel(kW - 1, kH - 1) & 0xFFFFFFu, 0u);
    EXPECT_EQ(CountColor(shot, RGB(1, 2, 3), kAll), 0);
}

TEST_F(FrameTest, FiveMeterTilesAreDotsBelowZoom15AndRectanglesFromIt)
{
    if (g_dem5Tiles.empty())
        GTEST_SKIP() << "no 5 m catalogue embedded";
    const COLORREF dot = RGB(255, 0, 255), pen = RGB(205, 41, 144);
    // Each frame against the same one without the 5 m layer: what the layer added.
    const auto added = [&](double zoom, COLORREF c) {
        const int without = CountColor(Frame(zoom, kTokyo, false), c, kAll);
        return CountColor(Frame(zoom, kTokyo, true), c, kAll) - without;
    };
    EXPECT_GT(added(14.999, dot), 100);
    EXPECT_EQ(added(14.999, pen), 0);
    EXPECT_EQ(added(15.0, dot), 0);
    EXPECT_GT(added(15.0, pen), 1000);
    // Both at the corner pixel of a tile: the dot where the rectangle starts.
    Frame(14.999, kTokyo, true);
    int dots = 0;
    for (const DemTile& t : g_dem5Tiles) {
        const RECT& r = t.screenRect;
        if (r.left > 0 && r.top > 0 && r.left < kW - 200 && r.top < kH - 40)
            dots += (view->Surface().pixel(r.left, r.top) & 0xFFFFFFu) == (PixelOf(dot) & 0xFFFFFFu);
    }
    EXPECT_GT(dots, 100);
}

TEST_F(FrameTest, FiveMeterCodesFromZoom230)
{
    if (g_dem5Tiles.empty())
        GTEST_SKIP() << "no 5 m catalogue embedded";
    const uint32_t pen = PixelOf(RGB(205, 41, 144));
    // What the 5 m layer adds over the centres of the tiles wholly on the screen, left of the
    // panel, besides the tile frames: the codes, drawn centred above the centre.
    const auto codePixels = [&](double zoom) {
        const QImage without = Frame(zoom, kTokyo, false);
        const QImage& with = Frame(zoom, kTokyo, true);
        int n = 0;
        for (const DemTile& t : g_dem5Tiles) {
            const RECT& r = t.screenRect;
            if (r.left < 0 || r.top < 0 || r.right >= view->m_buttonRect[kButton5m].left - 5 || r.bottom >= kH - 40)
                continue;
            const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
            for (int y = cy - 14; y < cy; ++y)
                for (int x = cx - 30; x < cx + 30; ++x)
                    n += with.pixel(x, y) != without.pixel(x, y) && with.pixel(x, y) != pen;
        }
        return n;
    };
    EXPECT_GT(codePixels(230.0), 1000);
    EXPECT_EQ(codePixels(229.999), 0);
}

TEST(FrameContext, DrawsOnTheTargetsImageAndClearsWhatTheCoverLeaves)
{
    QImage window(60, 40, QImage::Format_RGB32);
    window.fill(0xFF102030u);
    CDC target(&window);
    target.SetDeviceClip(RECT{0, 0, 60, 40});
    {
        IMemDC mem(&target);
        EXPECT_EQ(mem.Area(), (RECT{0, 0, 60, 40}));
        mem.ClearOutside(RECT{0, 1, 61, 41});
        mem.SetPixelV(5, 5, RGB(255, 0, 0));
        // Drawn straight onto the window's image; what the cover leaves is black.
        EXPECT_EQ(window.pixel(5, 5) & 0xFFFFFFu, 0xFF0000u);
        EXPECT_EQ(window.pixel(7, 0) & 0xFFFFFFu, 0u);
        EXPECT_EQ(window.pixel(7, 1) & 0xFFFFFFu, 0x102030u);
        mem.ClearOutside(RECT{});
        EXPECT_EQ(window.pixel(59, 39) & 0xFFFFFFu, 0u);
    }
}
