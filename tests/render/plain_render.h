// The map drawn the plain way, to hold the frames the view composes against: the relief read cell
// by cell as its algorithm states it, into a bottom-up bitmap that is cleared, painted and copied;
// the layers drawn through a context that lays every text out again as it draws it.
#pragma once

#include "geodata/meshdb.h"
#include "picking/panel.h"
#include "platform/gdi.h"
#include "render/layers.h"
#include "render/relief.h"
#include "tests/image_difference.h"
#include "projection/screenscale.h"
#include "view/view.h"
#include "projection/viewport.h"

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

struct PlainRelief {
    int W, H;                    // the client size
    std::vector<uint32_t> bmp;   // (W + 2) x (H + 3), row 0 at the bottom
    int rowsPainted = 0;

    PlainRelief(int w, int h) : W(w), H(h), bmp(static_cast<size_t>(w + 2) * (h + 3), 0) {}

    uint32_t& At(int64_t column, int64_t row) { return bmp[static_cast<size_t>(row * (W + 2) + column)]; }

    // One sheet in the screen rectangle at (x, y), c by d pixels.
    void Sheet(int x, int y, int c, int d, const ElevationBlock& block, const uint32_t* palette, double brightness)
    {
        if (c <= 0 || d <= 0)
            return;
        int64_t xl = x, xr = int64_t{x} + c - 1;
        int64_t top = int64_t{H} - y, bot = top - d + 1;
        if (xr < 0 || top < 0 || xl > W || bot > H)
            return;
        double l0 = 1.0, l1 = 80.9, u0 = 1.0, u1 = 80.9;
        if (top > H) {
            l0 = double(top - H) * 79.9 / double(top - bot) + 1.0;
            top = H;
        }
        if (bot < 0) {
            l1 = (80.9 - l0) * double(bot) / double(top - bot) + 80.9;
            bot = 0;
        }
        if (xl < 0) {
            u0 = 1.0 - double(xl) * 79.9 / double(xr - xl);
            xl = 0;
        }
        if (xr > W) {
            u1 = 80.9 - double(xr - W) * (80.9 - u0) / double(xr - xl);
            xr = W;
        }
        if (bot >= top || xl >= xr)
            return;
        const double du = (u1 - u0) / double(xr - xl), dl = (l1 - l0) / double(top - bot);
        double l = l0;
        for (int64_t r = top; r >= bot; --r) {
            ++rowsPainted;
            double u = u0;
            for (int64_t column = xl; column <= xr; ++column) {
                const ElevationCell& cell = block.cells[std::min(int(l), 81)][std::min(int(u), 81)];
                const uint32_t v = palette[cell.colorIndex];
                uint32_t out = 0;
                for (int shift : {0, 8, 16})
                    out |= uint32_t(double((v >> shift) & 0xFF) * brightness) << shift;
                At(column, r) = out;
                u += du;
            }
            l += dl;
        }
    }

    // Every sheet of the raster, in the order of its index, placed by its shifted corners.
    void Sheets(const MapViewport& vp, CMeshDB& db, double brightness)
    {
        auto* blocks = static_cast<ElevationBlock*>(GlobalLock(db.m_blocks));
        if (!blocks)
            return;
        for (auto& row : db.m_sheetIndex)
            for (FirstLevelSheet* s : row) {
                if (!s || s->block < 0 || s->block >= kBlockCount)
                    continue;
                const int LL = s->code / 100, OO = s->code % 100;
                const POINT p = GeoToClient(vp, ShiftTokyoToJgd(GeoPoint{OO + 100.0, (LL + 1) / 1.5}));
                const POINT q =
                    GeoToClient(vp, ShiftTokyoToJgd(GeoPoint{OO + 101.0, (LL + 1) / 1.5 - 0.6666666666666666}));
                Sheet(p.x, p.y, std::abs(q.x - p.x), std::abs(q.y - p.y), blocks[s->block], db.m_palette, brightness);
            }
        GlobalUnlock(db.m_blocks);
    }

    // Bitmap rows 0 to H - 1 onto client rows H down to 1, opaque; client row 0 keeps what it had.
    void CopyTo(QImage& image) const
    {
        for (int y = 1; y < std::min(H + 1, image.height()); ++y)
            for (int x = 0; x < std::min(W + 1, image.width()); ++x)
                image.setPixel(x, y, bmp[static_cast<size_t>((H - y) * (W + 2) + x)] | 0xFF000000u);
    }
};

// A tile layer one tile after another in the catalogue's order, each placed by its own corners:
// a dot at its top-left corner below zoom 15 (5 m), else its frame, and its code above the centre.
inline void PlainTiles(CDC& dc, const MapViewport& vp, DemTiles& tiles, CPen& pen, CFont& font, COLORREF textColor,
                       bool dots, bool codes)
{
    CPen* oldPen = dc.SelectObject(&pen);
    dc.SelectStockObject(NULL_BRUSH);
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(textColor);
    CFont* oldFont = dc.SelectObject(&font);
    for (DemTile& t : tiles) {
        const POINT nw = GeoToClient(vp, GeoPoint{t.bounds.west, t.bounds.north});
        const POINT se = GeoToClient(vp, GeoPoint{t.bounds.east, t.bounds.south});
        t.screenRect = RECT{nw.x, nw.y, se.x, se.y};
        if (!IsOnScreen(vp, POINT{nw.x, se.y}) && !IsOnScreen(vp, POINT{se.x, nw.y}))
            continue;
        if (dots)
            dc.SetPixelV(nw.x, nw.y, RGB(255, 0, 255));
        else
            dc.Rectangle(nw.x, nw.y, se.x, se.y);
        if (codes) {
            char text[16];
            const int n = std::snprintf(text, sizeof text, "%d", t.code);
            dc.TextOut((nw.x + se.x) / 2, (nw.y + se.y) / 2, text, n);
        }
    }
    dc.SelectObject(oldFont);
    dc.SelectObject(oldPen);
}

// The frame of the view's viewport as its layer table states it, into a new black image.
inline QImage PlainFrame(CTesseloView& v)
{
    const MapViewport& vp = v.m_vp;
    const int W = vp.clientWidth, H = vp.clientHeight;
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(0xFF000000u);
    PlainRelief relief(W, H);
    relief.Sheets(vp, v.m_meshDB, v.m_relief.brightness);
    relief.CopyTo(image);
    CDC dc(&image);
    dc.SetDeviceClip(RECT{0, 0, W, H});
    dc.SetTextLayouts(false);
    const double z = vp.zoom;
    if (z >= g_fiveMeterZoom && v.m_show5m)
        PlainTiles(dc, vp, g_dem5Tiles, v.m_style.penTile5, v.m_style.fontSmall, RGB(255, 255, 255), z < 15.0,
                   z >= 230.0);
    if (z >= 22.0)
        PlainTiles(dc, vp, g_dem10Tiles, v.m_style.penTile10, v.m_style.fontLarge, RGB(179, 179, 179), false, true);
    if (z >= 26.0)
        DrawBoundaryLines(&dc, vp, v.m_style);
    if (z >= 38.0 && v.m_showMunicipalities)
        DrawMunicipalityNames(&dc, vp, v.m_style);
    if (z >= 5.0 && v.m_showIslands)
        DrawIslandNames(&dc, vp, v.m_style);
    if (z >= 5.0 && v.m_showMountains)
        DrawMountainNames(&dc, vp, v.m_style);
    if (z >= 5.0 && v.m_showLakes)
        DrawLakeNames(&dc, vp, v.m_style);
    if (z >= 1.7)
        DrawFirstLevelGrid(&dc, vp, v.m_style);
    if (z >= 2.9 && z <= 18.0)
        DrawFirstLevelLabels(&dc, vp, v.m_meshDB);
    const bool states[kPanelButtons] = {v.m_show5m, v.m_showMunicipalities, v.m_showIslands, v.m_showMountains,
                                        v.m_showLakes, true, true};
    if (W >= 120 && H >= 50)
        for (int i = 0; i < kPanelButtons; ++i)
            if (PanelButtonShown(i, z))
                DrawPanelButton(&dc, v.m_buttonRect[i], kPanelLabels[i], states[i], &v.m_style.fontMedium);
    if (v.m_marker.lon >= 0.0 && v.m_marker.lat >= 0.0)
        DrawMarker(&dc, vp, v.m_style, v.m_marker);
    DrawNotice(&dc, vp, v.m_style);
    return image;
}
