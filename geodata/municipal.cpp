#include "geodata/municipal.h"

#include "geodata/boundary.h"
#include "geodata/inflate.h"
#include "geodata/records.h"
#include "platform/kernel.h"

#include <algorithm>
#include <cstring>

std::vector<MunicipalArea> g_municipalAreas;

namespace {

constexpr size_t kHeaderSize = 4 + 4 + 32 + 32 + 4;
constexpr double kMargin = 1e-9;

std::string Field(const unsigned char* p, size_t width)
{
    const void* nul = std::memchr(p, 0, width);
    return std::string(reinterpret_cast<const char*>(p),
                       nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - p) : width);
}

// Whether the segment a-b passes through the open rectangle. The part of the segment inside the
// closed rectangle is a chord; a chord with one interior point is interior all along except at
// its ends, so its midpoint decides (a chord along an edge or a touch at a corner stays outside).
bool SegmentEntersOpenRect(GeoPoint a, GeoPoint b, const GeoRect& r)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.lon - a.lon, dy = b.lat - a.lat;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.lon - r.west, r.east - a.lon, a.lat - r.south, r.north - a.lat};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double tm = (t0 + t1) / 2;
    const double x = a.lon + tm * dx, y = a.lat + tm * dy;
    return x > r.west && x < r.east && y > r.south && y < r.north;
}

} // namespace

void ReadMunicipalAreas(const unsigned char* content, size_t size)
{
    if (!content || size < 4)
        return;
    const int32_t count = ReadInt32(content);
    size_t o = 4;
    for (int32_t i = 0; i < count; ++i) {
        if (size - o < kHeaderSize)
            return;
        MunicipalArea a;
        a.prefecture = ReadInt32(content + o);
        a.code = ReadInt32(content + o + 4);
        a.upper = Field(content + o + 8, 32);
        a.name = Field(content + o + 40, 32);
        const int32_t rings = ReadInt32(content + o + 72);
        o += kHeaderSize;
        if (rings < 0)
            return;
        a.bounds = GeoRect{90.0, 360.0, -90.0, -360.0};
        for (int32_t k = 0; k < rings; ++k) {
            if (size - o < 4)
                return;
            const int32_t n = ReadInt32(content + o);
            o += 4;
            if (n < 0 || static_cast<size_t>(n) > (size - o) / 4)
                return;
            std::vector<GeoPoint> ring;
            ring.reserve(static_cast<size_t>(n));
            for (int32_t j = 0; j < n; ++j, o += 4) {
                uint32_t v;
                std::memcpy(&v, content + o, 4);
                const BoundaryItem b = UnpackBoundaryPoint(v);
                ring.push_back(GeoPoint{b.x, b.y});
                a.bounds.south = std::min(a.bounds.south, b.y);
                a.bounds.north = std::max(a.bounds.north, b.y);
                a.bounds.west = std::min(a.bounds.west, b.x);
                a.bounds.east = std::max(a.bounds.east, b.x);
            }
            a.rings.push_back(std::move(ring));
        }
        g_municipalAreas.push_back(std::move(a));
    }
}

bool LoadMunicipalAreas()
{
    if (!g_municipalAreas.empty())
        return true;
    int32_t blockSize = 1000000;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<size_t>(blockSize));
    if (!block)
        return false;
    if (InflateResource(kResourceMunicipalAreas, block, blockSize)) {
        if (const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block))) {
            ReadMunicipalAreas(bytes, BlockBytes(block, blockSize));
            GlobalUnlock(block);
        }
    }
    GlobalFree(block);
    return !g_municipalAreas.empty();
}

bool AreaContains(const MunicipalArea& area, GeoPoint p)
{
    bool inside = false;
    for (const std::vector<GeoPoint>& ring : area.rings) {
        for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
            const GeoPoint a = ring[i], b = ring[j];
            if ((a.lat > p.lat) != (b.lat > p.lat) &&
                p.lon < (b.lon - a.lon) * (p.lat - a.lat) / (b.lat - a.lat) + a.lon)
                inside = !inside;
        }
    }
    return inside;
}

bool AreaMeetsRectInterior(const MunicipalArea& area, const GeoRect& rect)
{
    const GeoRect r{rect.south + kMargin, rect.west + kMargin, rect.north - kMargin, rect.east - kMargin};
    if (r.south >= r.north || r.west >= r.east)
        return false;  // no interior
    if (area.bounds.south >= r.north || area.bounds.north <= r.south || area.bounds.west >= r.east ||
        area.bounds.east <= r.west)
        return false;
    // An edge of the area through the rectangle's inside has the area on one of its sides there;
    // with none, the rectangle lies wholly inside or wholly outside, as its centre does.
    for (const std::vector<GeoPoint>& ring : area.rings)
        for (size_t i = 1; i < ring.size(); ++i)
            if (SegmentEntersOpenRect(ring[i - 1], ring[i], r))
                return true;
    return AreaContains(area, GeoPoint{(r.west + r.east) / 2, (r.south + r.north) / 2});
}
