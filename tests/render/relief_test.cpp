#include "render/relief.h"
#include "projection/viewport.h"

#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "platform/gdi.h"
#include "tests/render/plain_render.h"

namespace {

// A raster of one sheet, every cell of colour index idx.
std::unique_ptr<CMeshDB> OneSheet(int code, uint8_t idx, uint32_t pixel)
{
    auto db = std::make_unique<CMeshDB>();
    std::vector<unsigned char> content(kBlocksBytes + kSheetsBytes, 0);
    std::memcpy(content.data() + kBlocksBytes, &code, 4);
    db->LoadElevationContent(content.data(), content.size());
    auto* blocks = static_cast<ElevationBlock*>(GlobalLock(db->m_blocks));
    for (auto& row : blocks[0].cells)
        for (auto& cell : row)
            cell.colorIndex = idx;
    GlobalUnlock(db->m_blocks);
    db->m_palette[idx] = pixel;
    return db;
}

MapViewport View(int w, int h, double zoom, GeoPoint center)
{
    MapViewport vp;
    InitViewport(vp, 933, 568);
    ResizeViewport(vp, w, h);
    vp.zoom = zoom;
    vp.center = center;
    UpdateVisibleCorners(vp);
    return vp;
}

} // namespace

TEST(ReliefRaster, HeaderAndCopySizesFollowTheClientArea)
{
    ReliefRaster r;
    r.ResizeRelief(801, 601);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(r.memory));
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, 802);
    EXPECT_EQ(h->biHeight, 603);
    EXPECT_EQ(h->biBitCount, 32);
    EXPECT_EQ(h->biXPelsPerMeter, 1000);
    GlobalUnlock(r.memory);
    EXPECT_EQ(r.right + 1, 801);   // copy width
    EXPECT_EQ(r.bottom + 1, 601);  // copy height
    EXPECT_EQ(r.bottom, 600);      // scan lines
    EXPECT_EQ(GlobalSize(r.memory), static_cast<size_t>(802 * 605 * 4 + 4096));
    // The same size keeps the raster; no pixels removes it; any size brings it back.
    HGLOBAL kept = r.memory;
    r.ResizeRelief(801, 601);
    EXPECT_EQ(r.memory, kept);
    r.ResizeRelief(801, 1);
    EXPECT_EQ(r.memory, nullptr);
    r.ResizeRelief(2, 2);
    EXPECT_NE(r.memory, nullptr);
}

TEST(ReliefRaster, BrightnessScalesEveryChannel)
{
    auto db = OneSheet(5339, 40, 33u | 193u << 8 | 33u << 16);
    MapViewport vp = View(400, 300, 5.0, GeoPoint{139.5, 35.7});
    ReliefRaster r;
    r.ResizeRelief(401, 301);
    r.brightness = 0.5;
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(0xFFFFFFFFu);
    CDC dc(&img);
    dc.SetDeviceClip(RECT{0, 0, 400, 300});
    r.DrawRelief(&dc, vp, *db);
    EXPECT_EQ(dc.GetPixel(200, 150), RGB(16, 96, 16));
    EXPECT_EQ(dc.GetPixel(200, 0), RGB(255, 255, 255));  // client row 0 gets no relief
    EXPECT_GT(r.rowsPainted, 0);
    EXPECT_EQ(r.header, nullptr);  // unlocked after the frame
}

TEST(ReliefRaster, SheetsOffScreenPaintNothingButKeepTheirRectangle)
{
    auto db = OneSheet(5339, 40, 0x00FF00);
    ReliefRaster r;
    r.ResizeRelief(401, 301);
    QImage img(400, 300, QImage::Format_RGB32);
    CDC dc(&img);
    MapViewport vp = View(400, 300, 5.0, GeoPoint{130.0, 30.0});  // far south-west of 5339
    r.DrawRelief(&dc, vp, *db);
    EXPECT_EQ(r.rowsPainted, 0);
    const RECT& s = db->m_sheets[0].screenRect;
    const POINT p = GeoToClient(vp, ShiftTokyoToJgd(GeoPoint{139.0, 54 / 1.5}));
    EXPECT_EQ(s.left, p.x);
    EXPECT_EQ(s.top, p.y);
    EXPECT_GT(s.left, 400);
    EXPECT_EQ(dc.GetPixel(200, 150), RGB(0, 0, 0));  // cleared to the background
    // A sheet one pixel wide paints nothing.
    r.PaintSheet(10, 10, 1, 50, *static_cast<ElevationBlock*>(GlobalLock(db->m_blocks)), *db, vp);
    GlobalUnlock(db->m_blocks);
    EXPECT_EQ(r.rowsPainted, 0);
}

TEST(ReliefRaster, TokyoDatumShift)
{
    const GeoPoint p = ShiftTokyoToJgd(GeoPoint{139.0, 35.0});
    EXPECT_NEAR(p.lon, 138.996885693, 1e-9);
    EXPECT_NEAR(p.lat, 35.003285946, 1e-9);
}

namespace {

// Sixteen sheets (first-level codes 5238 to 5541) whose cells all differ from their neighbours
// in colour, so that a row or column read one off shows.
std::unique_ptr<CMeshDB> PatternedSheets()
{
    auto db = std::make_unique<CMeshDB>();
    std::vector<unsigned char> content(kBlocksBytes + kSheetsBytes, 0);
    int n = 0;
    for (int LL = 52; LL <= 55; ++LL)
        for (int OO = 38; OO <= 41; ++OO, ++n) {
            const int32_t code = LL * 100 + OO, block = n;
            std::memcpy(content.data() + kBlocksBytes + n * kSheetRecordSize, &code, 4);
            std::memcpy(content.data() + kBlocksBytes + n * kSheetRecordSize + 4, &block, 4);
        }
    db->LoadElevationContent(content.data(), content.size());
    auto* blocks = static_cast<ElevationBlock*>(GlobalLock(db->m_blocks));
    for (int b = 0; b < n; ++b)
        for (int row = 0; row < kBlockSide; ++row)
            for (int column = 0; column < kBlockSide; ++column)
                blocks[b].cells[row][column].colorIndex = static_cast<uint8_t>((row * 7 + column * 3 + b * 11) % 256);
    GlobalUnlock(db->m_blocks);
    for (uint32_t i = 0; i < 256; ++i)
        db->m_palette[i] = i | (255 - i) << 8 | ((i * 37) & 0xFF) << 16;
    return db;
}

struct Cut {
    bool left = false, right = false, top = false, bottom = false, whole = false;
};

// Which edges of a w x h window the placed sheets straddle.
Cut CutsOf(const CMeshDB& db, int w, int h)
{
    Cut cut;
    for (const FirstLevelSheet& s : db.m_sheets) {
        if (s.code == 0)
            break;
        const RECT& r = s.screenRect;
        const bool rows = r.bottom > 0 && r.top < h, columns = r.right > 0 && r.left < w;
        cut.left |= rows && r.left < 0 && r.right > 0;
        cut.right |= rows && r.left < w && r.right > w;
        cut.top |= columns && r.top < 0 && r.bottom > 0;
        cut.bottom |= columns && r.top < h && r.bottom > h;
        cut.whole |= r.left >= 0 && r.right <= w && r.top >= 0 && r.bottom <= h;
    }
    return cut;
}

} // namespace

TEST(ReliefRaster, SheetsCutByEachEdgeOfALargeWindowAsThePlainReading)
{
    const int w = 1920, h = 1080;
    auto db = PatternedSheets();
    ReliefRaster r;
    r.ResizeRelief(w + 1, h + 1);
    QImage frame(w, h, QImage::Format_RGB32);
    CDC dc(&frame);
    dc.SetDeviceClip(RECT{0, 0, w, h});
    Cut seen;
    // Corners of four sheets inside the window, sheets larger than it, smaller than their cells.
    const struct {
        double zoom;
        GeoPoint center;
    } views[] = {{55.0, {140.0, 36.0}},  {55.0, {139.3, 35.55}}, {100.0, {139.5, 35.7}}, {20.0, {140.0, 36.0}},
                 {20.0, {141.9, 37.3}},  {9.0, {140.0, 36.0}},   {2.0, {140.0, 36.0}},   {33.3, {138.2, 34.8}},
                 {7.77, {137.1, 36.9}}};
    for (double brightness : {1.0, 0.55}) {
        r.brightness = brightness;
        for (const auto& v : views) {
            const MapViewport vp = View(w, h, v.zoom, v.center);
            frame.fill(0xFF123456u);
            r.DrawRelief(&dc, vp, *db);
            PlainRelief plain(w, h);
            plain.Sheets(vp, *db, brightness);
            QImage expected(w, h, QImage::Format_RGB32);
            expected.fill(0xFF123456u);
            plain.CopyTo(expected);
            EXPECT_EQ(FirstDifference(frame, expected), "") << v.zoom << " at " << v.center.lon << "," << v.center.lat;
            EXPECT_EQ(r.rowsPainted, plain.rowsPainted);
            const Cut c = CutsOf(*db, w, h);
            seen.left |= c.left, seen.right |= c.right, seen.top |= c.top, seen.bottom |= c.bottom;
            seen.whole |= c.whole;
        }
    }
    EXPECT_TRUE(seen.left && seen.right && seen.top && seen.bottom && seen.whole);
}

TEST(ReliefRaster, ClipBoxAndOriginOfTheContextAreKept)
{
    auto db = PatternedSheets();
    ReliefRaster r;
    r.ResizeRelief(641, 481);
    const MapViewport vp = View(640, 480, 20.0, GeoPoint{140.0, 36.0});
    PlainRelief plain(640, 480);
    plain.Sheets(vp, *db, 1.0);
    QImage whole(640, 480, QImage::Format_RGB32);
    whole.fill(0xFF000000u);
    plain.CopyTo(whole);
    // A context whose window origin is at (100, 50) and that may draw only on 200 x 100 pixels.
    QImage part(300, 200, QImage::Format_RGB32);
    part.fill(0xFF654321u);
    CDC dc(&part);
    dc.SetDeviceClip(RECT{10, 20, 210, 120});
    dc.SetWindowOrg(100, 50);
    r.DrawRelief(&dc, vp, *db);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 10 && x < 210 && y >= 20 && y < 120;
            const QRgb want = inside ? whole.pixel(x + 100, y + 50) : 0xFF654321u;
            ASSERT_EQ(part.pixel(x, y), want) << x << "," << y;
        }
}
