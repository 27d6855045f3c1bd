#include "picking/filelist.h"

#include "geodata/meshcode.h"
#include "platform/cp932.h"

#include <algorithm>
#include <cmath>

namespace {

// The codes of both editions' squares at the clicked point; -1 outside the grid.
struct ClickedSquares {
    MeshCode second = -1, third = -1;
    ClickedSquares(const MapViewport& vp, POINT p)
    {
        const GeoPoint g = ClientToGeo(vp, p);
        second = PointToMeshCode(g.lat, g.lon, false).value_or(-1);
        third = PointToMeshCode(g.lat, g.lon, true).value_or(-1);
    }
    bool Holds(const DemTile& t) const { return t.code >= 0 && (t.code == second || t.code == third); }
};

void Hit(const DemTile& t, TileHits& hits)
{
    hits.names.push_back(t.xmlName.view());
    hits.lastRect = t.screenRect;
    hits.lastCode = t.code;
}

void SortNames(TileHits& hits)
{
    std::sort(hits.names.begin(), hits.names.end());
    hits.names.erase(std::unique(hits.names.begin(), hits.names.end()), hits.names.end());
}

// A grid over the tiles' bounds with cells as large as the largest tile, each tile filed under
// the cell of its south-west corner: a tile that meets a window is filed at most one cell west
// or south of the window's cells.
class TileGrid {
public:
    explicit TileGrid(const DemTiles& tiles) : m_stamp(CollectionStamp::Of(tiles))
    {
        double west0 = INFINITY, south0 = INFINITY, westMax = -INFINITY, southMax = -INFINITY;
        for (const DemTile& t : tiles) {
            const GeoRect& b = t.bounds;
            if (!Regular(b))
                continue;
            west0 = std::min(west0, b.west);
            south0 = std::min(south0, b.south);
            westMax = std::max(westMax, b.west);
            southMax = std::max(southMax, b.south);
            m_cellW = std::max(m_cellW, b.east - b.west);
            m_cellH = std::max(m_cellH, b.north - b.south);
        }
        if (!(west0 <= westMax && south0 <= southMax))
            west0 = south0 = westMax = southMax = 0.0;
        // Tiles without width or height are never hit; any positive cell will do for them.
        m_cellW = std::max(m_cellW, 1e-9);
        m_cellH = std::max(m_cellH, 1e-9);
        m_west0 = west0;
        m_south0 = south0;
        const double cols = std::floor((westMax - west0) / m_cellW) + 1;
        const double rows = std::floor((southMax - south0) / m_cellH) + 1;
        m_usable = cols * rows < 1e15;
        if (!m_usable)
            return;
        m_cols = static_cast<int64_t>(cols);
        m_rows = static_cast<int64_t>(rows);
        m_cells.reserve(tiles.size());
        for (size_t i = 0; i < tiles.size(); ++i) {
            const GeoRect& b = tiles[i].bounds;
            if (Regular(b))
                m_cells.push_back({Col(b.west) + Row(b.south) * m_cols, static_cast<uint32_t>(i)});
            else
                m_loose.push_back(static_cast<uint32_t>(i));
        }
        std::sort(m_cells.begin(), m_cells.end());
    }

    bool Fits(const DemTiles& tiles) const { return m_stamp.Matches(tiles); }

    // The tiles that may meet the open window (lonA, lonB) x (latLo, latHi), in collection
    // order; false when the window spans so many cells that a scan is as quick.
    bool Candidates(double lonA, double lonB, double latLo, double latHi, std::vector<uint32_t>& out) const
    {
        out.clear();
        if (!m_usable)
            return false;
        // One more column and row than the bound needs: the subtraction may round.
        const int64_t c0 = std::max<int64_t>(0, Col(lonA - m_cellW) - 1);
        const int64_t c1 = std::min<int64_t>(m_cols - 1, Col(lonB));
        const int64_t r0 = std::max<int64_t>(0, Row(latLo - m_cellH) - 1);
        const int64_t r1 = std::min<int64_t>(m_rows - 1, Row(latHi));
        if (c0 <= c1 && r0 <= r1) {
            if ((c1 - c0 + 1) * (r1 - r0 + 1) > 4096)
                return false;
            for (int64_t r = r0; r <= r1; ++r) {
                const auto first = std::lower_bound(m_cells.begin(), m_cells.end(), Cell{r * m_cols + c0, 0});
                const auto last = std::lower_bound(first, m_cells.end(), Cell{r * m_cols + c1 + 1, 0});
                for (auto it = first; it != last; ++it)
                    out.push_back(it->index);
            }
        }
        out.insert(out.end(), m_loose.begin(), m_loose.end());
        std::sort(out.begin(), out.end());
        return true;
    }

private:
    struct Cell {
        int64_t key;
        uint32_t index;
        bool operator<(const Cell& o) const { return key != o.key ? key < o.key : index < o.index; }
    };

    static bool Regular(const GeoRect& b)
    {
        return std::isfinite(b.west) && std::isfinite(b.east) && std::isfinite(b.south) &&
               std::isfinite(b.north) && b.west <= b.east && b.south <= b.north;
    }
    // Cell numbers, clamped so that far-away values stay in range.
    int64_t Col(double lon) const { return Clamp(std::floor((lon - m_west0) / m_cellW), m_cols); }
    int64_t Row(double lat) const { return Clamp(std::floor((lat - m_south0) / m_cellH), m_rows); }
    static int64_t Clamp(double v, int64_t n)
    {
        if (!(v >= -1.0))
            return -1;
        return v > static_cast<double>(n) ? n : static_cast<int64_t>(v);
    }

    CollectionStamp m_stamp;
    double m_west0 = 0, m_south0 = 0, m_cellW = 0, m_cellH = 0;
    int64_t m_cols = 0, m_rows = 0;
    bool m_usable = false;
    std::vector<Cell> m_cells;
    std::vector<uint32_t> m_loose;
};

const TileGrid& GridFor(const DemTiles& tiles)
{
    return IndexFor<TileGrid>(tiles);
}

// The pixel's column is x; a tile holds it only when it projects its west edge to x or less
// and its east edge beyond x. Because the projection never decreases, a longitude that lands
// at x or less bounds every east edge that can be hit, and one that lands beyond x bounds
// every west edge. Likewise for latitudes, with y growing southward.
struct Window {
    double lonA, lonB, latLo, latHi;
};

bool WindowOf(const MapViewport& vp, POINT p, Window& w)
{
    if (!(vp.zoom > 0 && vp.lonPerPixel > 0 && vp.latPerPixel > 0) || std::abs(p.x) > (1 << 28) ||
        std::abs(p.y) > (1 << 28))
        return false;
    const double stepLon = vp.lonPerPixel / vp.zoom, stepLat = vp.latPerPixel / vp.zoom;
    if (!std::isfinite(stepLon) || !std::isfinite(stepLat) || stepLon <= 0 || stepLat <= 0)
        return false;
    auto x = [&](double lon) { return GeoToClient(vp, GeoPoint{lon, vp.center.lat}).x; };
    auto y = [&](double lat) { return GeoToClient(vp, GeoPoint{vp.center.lon, lat}).y; };
    w.lonA = ClientToGeo(vp, POINT{p.x - 1, p.y}).lon;
    w.lonB = ClientToGeo(vp, POINT{p.x + 2, p.y}).lon;
    w.latHi = ClientToGeo(vp, POINT{p.x, p.y - 1}).lat;
    w.latLo = ClientToGeo(vp, POINT{p.x, p.y + 2}).lat;
    for (int i = 0; i < 8 && x(w.lonA) > p.x; ++i)
        w.lonA -= stepLon;
    for (int i = 0; i < 8 && x(w.lonB) <= p.x; ++i)
        w.lonB += stepLon;
    for (int i = 0; i < 8 && y(w.latHi) > p.y; ++i)
        w.latHi += stepLat;
    for (int i = 0; i < 8 && y(w.latLo) <= p.y; ++i)
        w.latLo -= stepLat;
    return x(w.lonA) <= p.x && x(w.lonB) > p.x && y(w.latHi) <= p.y && y(w.latLo) > p.y &&
           std::isfinite(w.lonA) && std::isfinite(w.lonB) && std::isfinite(w.latLo) && std::isfinite(w.latHi);
}

// Catalogue entries by the mesh code of their XML name: equal names give equal codes, so the
// entries of a name are among those of its code.
class EntriesByCode {
public:
    EntriesByCode(const DemFiles& files, DemEdition edition)
        : m_stamp(CollectionStamp::Of(files)), m_edition(edition)
    {
        m_entries.reserve(files.size());
        for (size_t i = 0; i < files.size(); ++i)
            if (const auto code = MeshCodeFromXmlName(files[i].xmlName.view(), edition))
                m_entries.push_back({*code, static_cast<uint32_t>(i)});
        std::sort(m_entries.begin(), m_entries.end());
    }
    bool Fits(const DemFiles& files, DemEdition edition) const
    {
        return m_stamp.Matches(files) && m_edition == edition;
    }
    // Appends, in catalogue order, every entry that may be named name; false when the name
    // has no code, and every entry has to be looked at.
    bool Candidates(std::string_view name, std::vector<uint32_t>& out) const
    {
        const auto code = MeshCodeFromXmlName(name, m_edition);
        if (!code)
            return false;
        auto it = std::lower_bound(m_entries.begin(), m_entries.end(), std::pair<MeshCode, uint32_t>{*code, 0});
        for (; it != m_entries.end() && it->first == *code; ++it)
            out.push_back(it->second);
        return true;
    }

private:
    CollectionStamp m_stamp;
    DemEdition m_edition;
    std::vector<std::pair<MeshCode, uint32_t>> m_entries;
};

const EntriesByCode& EntriesFor(const DemFiles& files, DemEdition edition)
{
    return IndexFor<EntriesByCode>(files, edition);
}

} // namespace

void PreparePickIndexes()
{
    GridFor(g_dem10Tiles);
    GridFor(g_dem5Tiles);
    EntriesFor(g_dem10Files, DemEdition::Dem10m);
    EntriesFor(g_dem5Files, DemEdition::Dem5m);
}

TileHits CollectHitsScan(const DemTiles& tiles, const MapViewport& vp, POINT p)
{
    TileHits hits;
    const ClickedSquares at(vp, p);
    for (const DemTile& t : tiles)
        if (at.Holds(t))
            Hit(t, hits);
    SortNames(hits);
    return hits;
}

TileHits CollectHits(const DemTiles& tiles, const MapViewport& vp, POINT p)
{
    Window w;
    std::vector<uint32_t> candidates;
    if (!WindowOf(vp, p, w) || !GridFor(tiles).Candidates(w.lonA, w.lonB, w.latLo, w.latHi, candidates))
        return CollectHitsScan(tiles, vp, p);
    TileHits hits;
    const ClickedSquares at(vp, p);
    for (uint32_t i : candidates)
        if (at.Holds(tiles[i]))
            Hit(tiles[i], hits);
    SortNames(hits);
    return hits;
}

std::vector<FileListRow> BuildRows(const DemFiles& files, DemEdition edition,
                                   const std::vector<std::string_view>& names)
{
    std::vector<FileListRow> rows;
    const EntriesByCode& index = EntriesFor(files, edition);
    std::vector<uint32_t> candidates;
    for (std::string_view name : names) {
        candidates.clear();
        auto add = [&](const DemFileEntry& e) {
            if (e.xmlName == name)
                rows.push_back({e.prefecture, e.zipName.view(), e.xmlName.view()});
        };
        if (index.Candidates(name, candidates)) {
            for (uint32_t i : candidates)
                add(files[i]);
        } else {
            for (const DemFileEntry& e : files)
                add(e);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const FileListRow& a, const FileListRow& b) {
        return a.prefecture != b.prefecture ? a.prefecture < b.prefecture : a.zipName < b.zipName;
    });
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [](const FileListRow& a, const FileListRow& b) {
                               return a.prefecture == b.prefecture && a.zipName == b.zipName;
                           }),
               rows.end());
    return rows;
}

std::string FileListText(const std::vector<FileListRow>& rows, DemEdition edition,
                         const std::vector<PrefectureEntry>& prefectures)
{
    static const std::string kMapSelection = Utf8ToCp932("地図選択");
    const bool five = edition == DemEdition::Dem5m;
    const auto count = static_cast<int64_t>(prefectures.size());
    std::string text;
    for (const FileListRow& r : rows) {
        if (r.prefecture < 0 || (!five && r.prefecture >= count))
            continue;
        const std::string& name =
            r.prefecture >= count ? kMapSelection : prefectures[static_cast<size_t>(r.prefecture)].name;
        text += five ? "   " : " ";
        text += name;
        text += "   ";
        text += r.zipName;
        text += "   ";
        text += r.xmlName;
        text += "  \r\n";
    }
    return text;
}

std::string FrameFileList5m(const std::string& text)
{
    return "\r\n" + text + "\r\n";
}

std::string FileListTitle(MeshCode code, bool is5m)
{
    const std::string title = std::string(is5m ? "5m" : "10m") + "メッシュ[ " + std::to_string(code) +
                              " ] 該当する XMLファイル,それを含んでいる ZIPファイル";
    return Utf8ToCp932(title);
}
