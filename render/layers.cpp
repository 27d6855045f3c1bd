#include "render/layers.h"

#include "geodata/boundary.h"
#include "geodata/catalogue.h"
#include "geodata/places.h"
#include "geodata/meshdb.h"
#include "platform/gdi.h"
#include "projection/screenscale.h"
#include "projection/zoomlevels.h"
#include "render/framestyle.h"
#include "render/tileaxes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Per-frame room for the projected meridians and parallels, the on-screen tiles of the second
// half of a shared walk, and the dots and frames of a frame.
struct AxisPixels {
    std::vector<int> xs, ys;
    // An on-screen tile as the drawing needs it, kept while the walk has it at hand: a second
    // pass over the tiles themselves would miss the cache again.
    struct Shown {
        RECT rect;
        MeshCode code;
    };
    std::vector<Shown> shown;  // of the second half of a shared walk
    std::vector<POINT> laterDots;  // the same, where only dots are drawn
    std::vector<POINT> dots;
    std::vector<RECT> rects;
    // Tiles framed and labelled with their codes, in drawing order, and the codes' digits.
    std::vector<Shown> framed;
    std::vector<char> digits;
    std::vector<std::string_view> codes;
    std::vector<POINT> centres;
};

// From about a 1280 x 800 frame on, the second half of the tiles is walked on the other core,
// while the window's thread walks the first and waits for it.
constexpr int64_t kShareFromPixels = 1 << 20;
constexpr size_t kShareFromTiles = 100000;

// Tiles first to end - 1: each one's rectangle stored, those on the screen handed to onScreen.
template <typename OnScreen>
void WalkTiles(DemTiles& tiles, size_t first, size_t end, const TileAxes& axes, const AxisPixels& pixels,
               const MapViewport& vp, OnScreen&& onScreen)
{
    for (size_t i = first; i < end; ++i) {
        DemTile& t = tiles[i];
        const RECT r = axes.RectOf(i, pixels.xs, pixels.ys);
        t.screenRect = r;
        if (IsOnScreen(vp, POINT{r.left, r.bottom}) || IsOnScreen(vp, POINT{r.right, r.top}))
            onScreen(r, t.code);
    }
}

// Both tile layers: every tile's rectangle is stored, on-screen tiles are drawn.
void DrawTiles(CDC* dc, const MapViewport& vp, DemTiles& tiles, CPen& pen, CFont& font, COLORREF textColor, bool dots,
               bool codes)
{
    CPen* oldPen = dc->SelectObject(&pen);
    dc->SelectStockObject(NULL_BRUSH);
    dc->SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(textColor);
    CFont* oldFont = dc->SelectObject(&font);
    char text[16];
    const TileAxes& axes = TileAxesFor(tiles);
    static AxisPixels pixels;
    axes.Project(vp, pixels.xs, pixels.ys);
    // Dots are all one colour; without codes between them they are set together at the end.
    const bool batchDots = dots && !codes;
    // So are the frames, which then cover nothing else drawn in between.
    const bool batchRects = !dots && !codes;
    pixels.dots.clear();
    pixels.rects.clear();
    pixels.framed.clear();
    const auto draw = [&, dots, codes, batchDots, batchRects](const RECT& r, MeshCode code) {
        const POINT p1{r.left, r.bottom};
        const POINT p2{r.right, r.top};
        if (codes && !dots) {
            // Framed and labelled together once the walk is done.
            pixels.framed.push_back(AxisPixels::Shown{r, code});
            return;
        }
        if (batchDots)
            pixels.dots.push_back(POINT{p1.x, p2.y});
        else if (dots)
            dc->SetPixelV(p1.x, p2.y, RGB(255, 0, 255));
        else if (batchRects)
            pixels.rects.push_back(r);
        else
            dc->Rectangle(&r);
        if (codes) {
            // The digits as "%d" writes them, without printf's parsing for each of thousands.
            const char* end = std::to_chars(text, text + sizeof text, code).ptr;
            dc->TextOut((p1.x + p2.x) / 2, (p1.y + p2.y) / 2, text, static_cast<int>(end - text));
        }
    };
    const size_t count = tiles.size();
    const bool share = count >= kShareFromTiles && int64_t{vp.clientWidth} * vp.clientHeight >= kShareFromPixels &&
                       std::thread::hardware_concurrency() > 1;
    if (share) {
        // The second half listed on the other core while this one walks and draws the first.
        const size_t middle = count / 2;
        std::vector<AxisPixels::Shown>& later = pixels.shown;
        std::vector<POINT>& laterDots = pixels.laterDots;
        later.clear();
        laterDots.clear();
        const auto walkLater = [&] {
            if (batchDots)
                WalkTiles(tiles, middle, count, axes, pixels, vp,
                          [&](const RECT& r, MeshCode) { laterDots.push_back(POINT{r.left, r.top}); });
            else
                WalkTiles(tiles, middle, count, axes, pixels, vp,
                          [&](const RECT& r, MeshCode code) { later.push_back(AxisPixels::Shown{r, code}); });
        };
        std::thread second;
        try {
            second = std::thread(walkLater);
        } catch (const std::system_error&) {
            walkLater();  // no thread to be had
        }
        if (batchDots)
            WalkTiles(tiles, 0, middle, axes, pixels, vp,
                      [&](const RECT& r, MeshCode) { pixels.dots.push_back(POINT{r.left, r.top}); });
        else
            WalkTiles(tiles, 0, middle, axes, pixels, vp, draw);
        if (second.joinable())
            second.join();
        for (const AxisPixels::Shown& tile : later)
            draw(tile.rect, tile.code);
        pixels.dots.insert(pixels.dots.end(), laterDots.begin(), laterDots.end());
    } else if (batchDots) {
        WalkTiles(tiles, 0, count, axes, pixels, vp,
                  [&](const RECT& r, MeshCode) { pixels.dots.push_back(POINT{r.left, r.top}); });
    } else {
        WalkTiles(tiles, 0, count, axes, pixels, vp, draw);
    }
    dc->SetPixelsV(pixels.dots.data(), pixels.dots.size(), RGB(255, 0, 255));
    dc->Rectangles(pixels.rects.data(), pixels.rects.size());
    if (!pixels.framed.empty()) {
        const size_t n = pixels.framed.size();
        pixels.digits.resize(n * sizeof text);
        pixels.codes.clear();
        pixels.centres.clear();
        pixels.rects.clear();
        for (size_t i = 0; i < n; ++i) {
            const AxisPixels::Shown& tile = pixels.framed[i];
            char* first = pixels.digits.data() + i * sizeof text;
            const char* end = std::to_chars(first, first + sizeof text, tile.code).ptr;
            pixels.codes.emplace_back(first, static_cast<size_t>(end - first));
            pixels.centres.push_back(POINT{(tile.rect.left + tile.rect.right) / 2, (tile.rect.bottom + tile.rect.top) / 2});
            pixels.rects.push_back(tile.rect);
        }
        dc->FramedTexts(pixels.rects.data(), pixels.centres.data(), pixels.codes.data(), n);
    }
    dc->SelectObject(oldFont);
    dc->SelectObject(oldPen);
}

bool Inside(const MapViewport& vp, double lon, double lat)
{
    return lon >= vp.topLeft.lon && lon <= vp.bottomRight.lon && lat >= vp.bottomRight.lat && lat <= vp.topLeft.lat;
}

// The walk of the four name layers; marker squares for mountains and lakes.
template <typename Color>
void DrawNames(CDC* dc, const MapViewport& vp, FrameStyle& style, std::vector<PlaceEntry>& places, unsigned align,
               int dx, int dy, bool square, COLORREF squareColor, Color color)
{
    CFont* old = dc->SelectObject(&style.fontMedium);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextAlign(align);
    for (PlaceEntry& e : places) {
        if (!Inside(vp, e.lon, e.lat))
            continue;
        const POINT p = GeoToClient(vp, GeoPoint{e.lon, e.lat});
        e.screenPos = p;
        if (square) {
            dc->SetBkColor(squareColor);
            const RECT r{p.x - 2, p.y - 2, p.x + 2, p.y + 2};
            dc->ExtTextOut(r.left, r.top, ETO_OPAQUE, &r, "", 0, nullptr);
        }
        dc->SetTextColor(color(e));
        dc->TextOut(p.x + dx, p.y + dy, e.name, static_cast<int>(std::strlen(e.name)));
    }
    dc->SelectObject(old);
}

} // namespace

void DrawTiles5m(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    const double z = vp.zoom;
    DrawTiles(dc, vp, g_dem5Tiles, style.penTile5, style.fontSmall, RGB(255, 255, 255), z < kFiveMeterFramesFromZoom,
              z >= kFiveMeterCodesFromZoom);
}

void DrawTiles10m(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    DrawTiles(dc, vp, g_dem10Tiles, style.penTile10, style.fontLarge, RGB(179, 179, 179), false, true);
}

void UpdateTileRects10m(const MapViewport& vp)
{
    const TileAxes& axes = TileAxesFor(g_dem10Tiles);
    static AxisPixels pixels;
    axes.Project(vp, pixels.xs, pixels.ys);
    for (size_t i = 0; i < g_dem10Tiles.size(); ++i)
        g_dem10Tiles[i].screenRect = axes.RectOf(i, pixels.xs, pixels.ys);
}

namespace {

// The polylines' boxes side by side: the frame looks at every box, and a walk from header to
// header through the whole array misses the cache at each of the 7,500 of them.
struct BoundaryBox {
    double west, south, east, north;
    size_t first, end;  // the vertices' items
};

const std::vector<BoundaryBox>& BoundaryBoxes()
{
    static std::vector<BoundaryBox> boxes;
    static const void* madeFor = nullptr;
    static size_t madeForSize = 0;
    if (madeFor == g_boundaryPoints.data() && madeForSize == g_boundaryPoints.size())
        return boxes;
    boxes.clear();
    const size_t count = g_boundaryPoints.size();
    size_t i = 0;
    while (i < count) {
        const BoundaryItem& h = g_boundaryPoints[i];
        if (h.x != 0.0 || i + 2 >= count) {
            ++i;
            continue;
        }
        const size_t n = static_cast<size_t>(h.y);
        const BoundaryItem& lo = g_boundaryPoints[i + 1];
        const BoundaryItem& hi = g_boundaryPoints[i + 2];
        const size_t first = i + 3;
        boxes.push_back(BoundaryBox{lo.x, lo.y, hi.x, hi.y, first, std::min(first + n, count)});
        i = first + n;
    }
    madeFor = g_boundaryPoints.data();
    madeForSize = count;
    return boxes;
}

} // namespace

void DrawBoundaryLines(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    CPen* old = dc->SelectObject(&style.penBoundary);
    const double west = vp.topLeft.lon, north = vp.topLeft.lat, east = vp.bottomRight.lon, south = vp.bottomRight.lat;
    // Each line's segments, then all of them in one call.
    static std::vector<POINT> ends;
    ends.clear();
    for (const BoundaryBox& b : BoundaryBoxes()) {
        if (b.east < west || b.west > east || b.south > north || b.north < south)
            continue;
        POINT from{}, last{};
        bool haveLast = false;
        for (size_t k = b.first; k < b.end; ++k) {
            const POINT p = GeoToClient(vp, GeoPoint{g_boundaryPoints[k].x, g_boundaryPoints[k].y});
            if (k == b.first) {
                from = p;
                haveLast = false;
            } else if (!haveLast || !(p == last)) {
                ends.push_back(from);
                ends.push_back(p);
                from = last = p;
                haveLast = true;
            }
        }
    }
    dc->Segments(ends.data(), ends.size() / 2);
    dc->SelectObject(old);
}

COLORREF MunicipalityColor(int kind)
{
    switch (kind) {
    case kPlaceCity:
        return RGB(255, 71, 99);
    case kPlaceWard:
    case kPlaceVillage:
        return RGB(99, 184, 255);
    case kPlaceTown:
        return RGB(127, 255, 0);
    default:
        return RGB(255, 20, 147);
    }
}

void DrawMunicipalityNames(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    DrawNames(dc, vp, style, g_municipalities, TA_CENTER | TA_BOTTOM, 3, -1, false, 0,
              [](const PlaceEntry& e) { return MunicipalityColor(e.kind); });
}

void DrawIslandNames(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    DrawNames(dc, vp, style, g_islands, TA_CENTER | TA_BOTTOM, 0, 0, false, 0,
              [](const PlaceEntry&) { return RGB(255, 255, 255); });
}

void DrawMountainNames(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    DrawNames(dc, vp, style, g_mountains, TA_LEFT | TA_BOTTOM, -2, -2, true, RGB(255, 193, 37),
              [](const PlaceEntry&) { return RGB(255, 193, 37); });
}

void DrawLakeNames(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    DrawNames(dc, vp, style, g_lakes, TA_LEFT | TA_BOTTOM, -2, -2, true, RGB(0, 245, 255),
              [](const PlaceEntry&) { return RGB(0, 245, 255); });
}

void DrawFirstLevelGrid(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    CPen* old = dc->SelectObject(&style.penGrid);
    const int a = TruncToInt(vp.topLeft.lon), b = TruncToInt(vp.bottomRight.lon);
    for (int i = std::min(a, b) - 1; i <= std::max(a, b) + 1; ++i) {
        const int x = GeoToClient(vp, GeoPoint{static_cast<double>(i), vp.home.south}).x;
        dc->MoveTo(x, 0);
        dc->LineTo(x, vp.clientHeight);
    }
    const int c = TruncToInt(vp.topLeft.lat), d = TruncToInt(vp.bottomRight.lat);
    const int lo = std::min(c, d) - 1, hi = std::max(c, d) + 1;
    auto parallel = [&](double phi) {
        const int y = GeoToClient(vp, GeoPoint{vp.home.west, phi}).y;
        dc->MoveTo(0, y);
        dc->LineTo(vp.clientWidth, y);
    };
    for (double phi = 20.0; phi <= hi; phi += 0.6666666666666666)
        parallel(phi);
    for (double phi = 20.0; phi > lo; phi -= 0.6666666666666666)
        parallel(phi);
    dc->SelectObject(old);
}

void DrawFirstLevelLabels(CDC* dc, const MapViewport& vp, const CMeshDB& meshDB)
{
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(245, 245, 245));
    char text[16];
    for (const FirstLevelSheet& s : meshDB.m_sheets) {
        if (s.code == 0)
            break;
        const POINT c{(s.screenRect.left + s.screenRect.right) / 2, (s.screenRect.top + s.screenRect.bottom) / 2};
        if (!IsOnScreen(vp, c))
            continue;
        dc->SetTextAlign(TA_CENTER | TA_BOTTOM);
        dc->TextOut(c.x, c.y, s.name, static_cast<int>(strnlen(s.name, sizeof s.name)));
        const int n = std::snprintf(text, sizeof text, "%d", s.code);
        dc->SetTextAlign(TA_CENTER | TA_TOP);
        dc->TextOut(c.x, c.y, text, n);
    }
}

void DrawMarker(CDC* dc, const MapViewport& vp, FrameStyle& style, GeoPoint marker)
{
    CPen* old = dc->SelectObject(&style.penMarker);
    const POINT p = GeoToClient(vp, marker);
    const POINT tri[3] = {{p.x, p.y}, {p.x - 7, p.y - 20}, {p.x + 7, p.y - 20}};
    const int counts[1] = {3};
    dc->PolyPolygon(tri, counts, 1);
    dc->SelectObject(old);
}

void DrawNotice(CDC* dc, const MapViewport& vp, FrameStyle& style)
{
    CFont* old = dc->SelectObject(&style.fontMedium);
    dc->SetTextColor(RGB(245, 245, 245));
    dc->SetBkColor(RGB(0, 0, 0));
    dc->SetBkMode(OPAQUE);
    dc->SetTextAlign(TA_CENTER | TA_TOP);
    dc->TextOut(vp.anchorX, vp.clientHeight - ScaledSize(15), style.notice,
                static_cast<int>(strnlen(style.notice, sizeof style.notice)));
    dc->SelectObject(old);
}
