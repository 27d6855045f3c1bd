#include "render/relief.h"

#include "platform/gdi.h"
#include "projection/viewport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <system_error>
#include <thread>
#include <vector>

namespace {
// From about a 1280 x 800 frame on, a thread's start is well repaid.
constexpr int64_t kShareFromPixels = 1 << 20;
} // namespace

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
    placed.clear();
    sourceColumns.clear();
    sourceRows.clear();
    columnRuns.clear();
    if (memory) {
        header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
        bits = header ? reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(header) + 40) : nullptr;
    }
    RenderRelief(vp, db);
    CDC::Pixels px;
    if (header && dc->GetPixels(&px)) {
        // The palette scaled by the brightness once, instead of per pixel.
        uint32_t palette[256];
        for (int i = 0; i < 256; ++i) {
            const uint32_t v = db.m_palette[i];
            const auto scale = [&](uint32_t channel) { return static_cast<uint32_t>(channel * brightness); };
            palette[i] = 0xFF000000u | scale(v & 0xFF) | scale((v >> 8) & 0xFF) << 8 | scale((v >> 16) & 0xFF) << 16;
        }
        // Bitmap row r shows on client row bottom - r for client rows 1 to bottom (row 0 gets no
        // relief), bitmap column x on client column x from 0 to right; within the clip box.
        const int64_t ox = px.origin.x, oy = px.origin.y;
        const int64_t x0 = std::max<int64_t>(0, px.clip.left + ox);
        const int64_t x1 = std::min<int64_t>(right, px.clip.right - 1 + ox);
        const int64_t y0 = std::max<int64_t>(1, px.clip.top + oy);
        const int64_t y1 = std::min<int64_t>(bottom, px.clip.bottom - 1 + oy);
        const auto compose = [&](int64_t from, int64_t to) {
            for (int64_t y = from; y <= to; ++y)
                ComposeRow(bottom - y, x0, x1, px.bits + (y - oy) * px.stride + (x0 - ox), palette);
        };
        // A large frame's rows are shared with a second core, each row written by one of them;
        // the frame waits for both halves.
        if (x0 <= x1 && (y1 - y0 + 1) * (x1 - x0 + 1) >= kShareFromPixels && std::thread::hardware_concurrency() > 1) {
            const int64_t middle = y0 + (y1 - y0 + 1) / 2;
            std::thread lower;
            try {
                lower = std::thread(compose, middle, y1);
            } catch (const std::system_error&) {
                compose(middle, y1);  // no thread to be had: all on this one
            }
            compose(y0, middle - 1);
            if (lower.joinable())
                lower.join();
        } else if (x0 <= x1) {
            compose(y0, y1);
        }
    }
    if (memory) {
        GlobalUnlock(memory);
        header = nullptr;
        bits = nullptr;
    }
}

RECT ReliefRaster::CoveredRect() const
{
    return memory ? RECT{0, 1, right + 1, bottom + 1} : RECT{};
}

void ReliefRaster::RenderRelief(const MapViewport& vp, CMeshDB& db)
{
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

void ReliefRaster::PaintSheet(int x, int y, int c, int d, const ElevationBlock& block, const CMeshDB&,
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
    rowsPainted += static_cast<int32_t>(top - bot + 1);
    const size_t columns = sourceColumns.size();
    // Every row samples the same columns: the column of each pixel, summed up once; the row of
    // each bitmap row likewise, from the top down.
    double u = u0;
    for (int64_t col = xl; col <= xr; ++col) {
        sourceColumns.push_back(static_cast<uint8_t>(std::min(static_cast<int>(u), kBlockSide - 1)));
        u += du;
    }
    const size_t rows = sourceRows.size();
    double l = l0;
    for (int64_t r = top; r >= bot; --r) {
        sourceRows.push_back(static_cast<uint8_t>(std::min(static_cast<int>(l), kBlockSide - 1)));
        l += dl;
    }
    // Zoomed in, many pixels in a row read one cell: such a run is one fill.
    const size_t runs = columnRuns.size();
    for (size_t k = columns; k < sourceColumns.size(); ++k) {
        if (k > columns && sourceColumns[k] == columnRuns.back().column)
            ++columnRuns.back().count;
        else
            columnRuns.push_back(ColumnRun{1, sourceColumns[k]});
    }
    size_t runCount = columnRuns.size() - runs;
    if (runCount * 4 > sourceColumns.size() - columns) {
        columnRuns.resize(runs);
        runCount = 0;
    }
    placed.push_back(PlacedSheet{&block, xl, xr, top, bot, columns, rows, runs, runCount});
}

void ReliefRaster::ComposeRow(int64_t r, int64_t x0, int64_t x1, uint32_t* out, const uint32_t* palette) const
{
    // The columns the sheets on this row cover, in order of their left end; the background goes
    // into the gaps between them only.
    struct Span {
        int64_t a, b;
    };
    Span local[64];
    std::vector<Span> many;
    Span* spans = local;
    if (placed.size() > std::size(local)) {
        many.resize(placed.size());
        spans = many.data();
    }
    size_t n = 0;
    for (const PlacedSheet& s : placed) {
        if (r < s.bot || r > s.top)
            continue;
        const int64_t a = std::max(s.xl, x0), b = std::min(s.xr, x1);
        if (a > b)
            continue;
        size_t k = n++;
        for (; k > 0 && spans[k - 1].a > a; --k)
            spans[k] = spans[k - 1];
        spans[k] = Span{a, b};
    }
    const uint32_t bg = PixelOf(background);
    int64_t next = x0;  // the first column no span has reached yet
    for (size_t k = 0; k < n; ++k) {
        if (spans[k].a > next)
            std::fill(out + (next - x0), out + (spans[k].a - x0), bg);
        next = std::max(next, spans[k].b + 1);
    }
    if (next <= x1)
        std::fill(out + (next - x0), out + (x1 + 1 - x0), bg);
    // The sheets in their order: where two overlap by a pixel, the later one wins.
    for (const PlacedSheet& s : placed) {
        if (r < s.bot || r > s.top)
            continue;
        const int64_t a = std::max(s.xl, x0), b = std::min(s.xr, x1);
        if (a > b)
            continue;
        const ElevationCell* cells = s.block->cells[sourceRows[s.rows + static_cast<size_t>(s.top - r)]];
        if (s.runCount) {
            int64_t x = s.xl;  // the first column of the run
            for (size_t k = 0; k < s.runCount && x <= b; ++k) {
                const ColumnRun& run = columnRuns[s.runs + k];
                const int64_t from = std::max(x, a), to = std::min<int64_t>(x + run.count - 1, b);
                if (from <= to)
                    std::fill(out + (from - x0), out + (to + 1 - x0), palette[cells[run.column].colorIndex]);
                x += run.count;
            }
            continue;
        }
        const uint8_t* column = sourceColumns.data() + s.columns + (a - s.xl);
        uint32_t* o = out + (a - x0);
        const int64_t count = b - a + 1;
        for (int64_t k = 0; k < count; ++k)
            o[k] = palette[cells[column[k]].colorIndex];
    }
}
