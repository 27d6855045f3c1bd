#include "render/relief.h"

#include "platform/gdi.h"
#include "view/viewport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

GeoPoint ShiftTokyoToJgd(GeoPoint p)
{
    const double lat = p.lat, lon = p.lon;
    GeoPoint out;
    out.lat = lat - 0.00010695 * lat + 0.000017464 * lon + 0.0046017;
    out.lon = lon - 0.000046038 * lat - 0.000083043 * lon + 0.01004;
    return out;
}

void ReliefRaster::Release()
{
    if (memory) {
        GlobalUnlock(memory);
        memory = GlobalFree(memory);
    }
    header = nullptr;
    bits = nullptr;
    allocatedW = allocatedH = 0;
}

void ReliefRaster::ResizeRelief(int w, int h)
{
    if (memory && w == allocatedW && h == allocatedH)
        return;
    Release();
    if (w < 2 || h < 2)
        return;
    const size_t bytes = static_cast<size_t>(w + 1) * static_cast<size_t>(h + 4) * 4 + 4096;
    memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return;
    allocatedW = w;
    allocatedH = h;
    auto* hdr = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
    *hdr = BITMAPINFOHEADER{};
    hdr->biSize = 40;
    hdr->biWidth = w + 1;
    hdr->biHeight = h + 2;
    hdr->biPlanes = 1;
    hdr->biBitCount = 32;
    hdr->biCompression = BI_RGB;
    hdr->biXPelsPerMeter = 1000;
    hdr->biYPelsPerMeter = 1000;
    right = w - 1;
    bottom = h - 1;
    GlobalUnlock(memory);
}

void ReliefRaster::DrawRelief(CDC* dc, const MapViewport& vp, CMeshDB& db)
{
    rowsPainted = 0;
    if (memory) {
        header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
        bits = header ? reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(header) + 40) : nullptr;
    }
    RenderRelief(vp, db);
    if (header)
        dc->SetDIBitsToDevice(0, 0, right + 1, bottom + 1, 0, 0, 0, static_cast<unsigned>(bottom), bits,
                              reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
    if (memory) {
        GlobalUnlock(memory);
        header = nullptr;
        bits = nullptr;
    }
}

void ReliefRaster::RenderRelief(const MapViewport& vp, CMeshDB& db)
{
    if (bits && header) {
        const size_t pixels = static_cast<size_t>(header->biWidth) * static_cast<size_t>(header->biHeight);
        const uint32_t bg = static_cast<uint32_t>(GetBValue(background)) |
                            static_cast<uint32_t>(GetGValue(background)) << 8 |
                            static_cast<uint32_t>(GetRValue(background)) << 16;
        std::fill(bits, bits + pixels, bg);
    }
    if (!header || !db.m_blocks)
        return;
    auto* blocks = static_cast<ElevationBlock*>(GlobalLock(db.m_blocks));
    if (!blocks)
        return;
    for (int row = 0; row < kIndexRows; ++row)
        for (int column = 0; column < kIndexColumns; ++column) {
            FirstLevelSheet* s = db.m_sheetIndex[row][column];
            if (!s)
                continue;
            const int LL = s->code / 100, OO = s->code % 100;
            const GeoPoint nw{OO + 100.0, (LL + 1) / 1.5};
            const GeoPoint se{OO + 101.0, (LL + 1) / 1.5 - 0.6666666666666666};
            const POINT p = GeoToClient(vp, ShiftTokyoToJgd(nw));
            const POINT q = GeoToClient(vp, ShiftTokyoToJgd(se));
            if (const ElevationBlock* b = db.BlockOf(*s, blocks))
                PaintSheet(p.x, p.y, std::abs(q.x - p.x), std::abs(q.y - p.y), *b, db, vp);
            s->screenRect = RECT{p.x, p.y, q.x, q.y};
        }
    GlobalUnlock(db.m_blocks);
}

void ReliefRaster::PaintSheet(int x, int y, int c, int d, const ElevationBlock& block, const CMeshDB& db,
                              const MapViewport& vp)
{
    if (c <= 0 || d <= 0 || !header || !bits)
        return;
    const int W = vp.clientWidth, H = vp.clientHeight;
    // Integer rows and columns, 64-bit so that far-off sheets cannot overflow.
    int64_t xl = x, xr = static_cast<int64_t>(x) + c - 1;
    int64_t top = static_cast<int64_t>(H) - y, bot = top - d + 1;
    if (xr < 0 || top < 0 || xl > W || bot > H)
        return;
    double l0 = 1.0, l1 = 80.9, u0 = 1.0, u1 = 80.9;
    if (top > H) {
        l0 = static_cast<double>(top - H) * 79.9 / static_cast<double>(top - bot) + 1.0;
        top = H;
    }
    if (bot < 0) {
        l1 = (80.9 - l0) * static_cast<double>(bot) / static_cast<double>(top - bot) + 80.9;
        bot = 0;
    }
    if (xl < 0) {
        u0 = 1.0 - static_cast<double>(xl) * 79.9 / static_cast<double>(xr - xl);
        xl = 0;
    }
    if (xr > W) {
        u1 = 80.9 - static_cast<double>(xr - W) * (80.9 - u0) / static_cast<double>(xr - xl);
        xr = W;
    }
    if (bot >= top || xl >= xr)
        return;
    const double du = (u1 - u0) / static_cast<double>(xr - xl);
    const double dl = (l1 - l0) / static_cast<double>(top - bot);
    const int stride = header->biWidth;
    // The palette scaled by the brightness once, instead of per pixel.
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
        const uint32_t v = db.m_palette[i];
        const auto scale = [&](uint32_t channel) { return static_cast<uint32_t>(channel * brightness); };
        palette[i] = scale(v & 0xFF) | scale((v >> 8) & 0xFF) << 8 | scale((v >> 16) & 0xFF) << 16;
    }
    // Every row samples the same columns: the column of each pixel, summed up once.
    static std::vector<uint8_t> sourceColumn;
    sourceColumn.resize(static_cast<size_t>(xr - xl + 1));
    double u = u0;
    for (int64_t col = xl; col <= xr; ++col) {
        sourceColumn[static_cast<size_t>(col - xl)] = static_cast<uint8_t>(std::min(static_cast<int>(u), kBlockSide - 1));
        u += du;
    }
    double l = l0;
    for (int64_t r = top; r >= bot; --r) {
        ++rowsPainted;
        const int sourceRow = std::min(static_cast<int>(l), kBlockSide - 1);
        const ElevationCell* cells = block.cells[sourceRow];
        uint32_t* out = bits + r * stride + xl;
        const uint8_t* column = sourceColumn.data();
        const int64_t n = xr - xl + 1;
        for (int64_t k = 0; k < n; ++k)
            out[k] = palette[cells[column[k]].colorIndex];
        l += dl;
    }
}
