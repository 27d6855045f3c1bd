#include "demfiles/elevation.h"

#include <cmath>

namespace {

constexpr size_t kMaxCachedCells = size_t{48} << 20;  // 192 MB of floats
constexpr int32_t kEditionMeters[] = {1, 5, 10};      // finest first

// The 8-digit code of the third-level square holding 1 m cell (x, y).
int32_t ThirdLevel(int64_t x, int64_t y)
{
    const int64_t p = y / 60000, u = x / kCellsPerDegree - 100;
    const int64_t q = y % 60000 / 7500, v = x % kCellsPerDegree / 11250, r = y % 7500 / 750, w = x % 11250 / 1125;
    return static_cast<int32_t>(((p * 100 + u) * 100 + q * 10 + v) * 100 + r * 10 + w);
}

} // namespace

ElevationLookup::ElevationLookup(const FoundFiles& found)
{
    for (DemCopies& g : GroupCopies(found.files))
        files_.emplace(std::make_pair(g.name.mesh, g.name.kind), std::move(g));
}

const DemGrid* ElevationLookup::Grid(const DemCopies& copies, const DemSource*& used)
{
    auto it = grids_.find(&copies);
    if (it == grids_.end()) {
        if (cachedCells_ > kMaxCachedCells) {
            grids_.clear();
            cachedCells_ = 0;
        }
        Loaded l;
        l.grid = std::make_unique<DemGrid>();
        std::vector<std::string> errors;
        l.used = LoadPreferredCopy(copies.copies, *l.grid, errors);
        if (l.used == copies.copies.size())
            l.grid.reset();
        else
            cachedCells_ += l.grid->values.size();
        // Read again after the cache was emptied: named the first time only.
        if (named_.emplace(&copies, true).second) {
            damaged_.insert(damaged_.end(), errors.begin(), errors.end());
            for (size_t i = l.used + 1; i < copies.copies.size(); ++i)
                notUsed_.push_back(NotUsedLine(copies.copies[i], copies.copies[l.used]));
        }
        it = grids_.emplace(&copies, std::move(l)).first;
    }
    if (!it->second.grid)
        return nullptr;
    used = &copies.copies[it->second.used];
    return it->second.grid.get();
}

bool ElevationLookup::Cell(int32_t units, int64_t x, int64_t y, float& value, const DemSource*& file)
{
    const int64_t x1 = x * units, y1 = y * units;
    if (x1 < 100 * int64_t{kCellsPerDegree} || x1 >= 200 * int64_t{kCellsPerDegree} || y1 < 0 || y1 >= 100 * 60000)
        return false;
    const int32_t mesh8 = ThirdLevel(x1, y1);
    for (DemKind k : kKindsByPrecedence) {
        if (CellMeters(k) != units)
            continue;
        const auto it = files_.find({IsThirdLevel(k) ? mesh8 : mesh8 / 100, k});
        if (it == files_.end())
            continue;
        const DemSource* source = nullptr;
        const DemGrid* g = Grid(it->second, source);
        MeshCells sq;
        if (!g || !MeshSquareCells(source->name.mesh, sq))
            continue;
        const int64_t col = (x1 - sq.x0) / units, row = (sq.y0 + sq.height - 1 - y1) / units;
        const float v = g->values[static_cast<size_t>(row * g->width + col)];
        if (v != kNoData) {
            value = v;
            file = source;
            return true;
        }
    }
    return false;
}

ElevationAnswer ElevationLookup::At(double lat, double lon, bool bilinear)
{
    ElevationAnswer a;
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return a;
    for (int32_t units : kEditionMeters) {
        const double perDegree = static_cast<double>(kCellsPerDegree) / units;
        const double fx = lon * perDegree, fy = lat * perDegree;
        if (std::fabs(fx) > 1e12 || std::fabs(fy) > 1e12)
            return a;
        float v;
        const DemSource* file = nullptr;
        const bool inside = Cell(units, static_cast<int64_t>(std::floor(fx)), static_cast<int64_t>(std::floor(fy)), v, file);
        if (!bilinear) {
            if (!inside)
                continue;
            a.value = v;
        } else {
            // The four nearest centres: cells x0, x0 + 1 and y0, y0 + 1.
            const double cx = fx - 0.5, cy = fy - 0.5;
            const int64_t x0 = static_cast<int64_t>(std::floor(cx)), y0 = static_cast<int64_t>(std::floor(cy));
            const double tx = cx - static_cast<double>(x0), ty = cy - static_cast<double>(y0);
            float q[4];
            const DemSource* ignored = nullptr;
            if (!Cell(units, x0, y0, q[0], ignored) || !Cell(units, x0 + 1, y0, q[1], ignored) ||
                !Cell(units, x0, y0 + 1, q[2], ignored) || !Cell(units, x0 + 1, y0 + 1, q[3], ignored)) {
                // A neighbour without a value of this edition: the cell itself, when it has one.
                if (!inside)
                    continue;
                a.value = v;
            } else {
                const double south = q[0] + (q[1] - q[0]) * tx, north = q[2] + (q[3] - q[2]) * tx;
                a.value = south + (north - south) * ty;
                if (!inside)
                    file = ignored;
            }
        }
        a.found = true;
        a.edition = units == 1 ? "1m" : units == 5 ? "5m" : "10m";
        a.xmlName = file ? file->xmlName : "";
        return a;
    }
    return a;
}

std::vector<std::string> ElevationLookup::TakeNotUsed()
{
    std::vector<std::string> d;
    d.swap(notUsed_);
    return d;
}

std::vector<std::string> ElevationLookup::TakeDamaged()
{
    std::vector<std::string> d;
    d.swap(damaged_);
    return d;
}
