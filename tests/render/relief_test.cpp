#include "render/relief.h"
#include "view/viewport.h"

#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "platform/gdi.h"

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
