#include "geodata/geodata.h"
#include "geodata/meshcode.h"
#include "picking/filelist.h"
#include "platform/cp932.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// Rectangles as the tile layers write them.
void Project(DemTiles& tiles, const MapViewport& vp)
{
    for (DemTile& t : tiles) {
        const POINT sw = GeoToClient(vp, GeoPoint{t.bounds.west, t.bounds.south});
        const POINT ne = GeoToClient(vp, GeoPoint{t.bounds.east, t.bounds.north});
        t.screenRect = RECT{sw.x, ne.y, ne.x, sw.y};
    }
}

MapViewport Viewport(double zoom, double lon, double lat)
{
    MapViewport vp;
    InitViewport(vp, 933, 568);
    ResizeViewport(vp, 933, 568);
    vp.zoom = zoom;
    vp.center = GeoPoint{lon, lat};
    UpdateVisibleCorners(vp);
    return vp;
}

DemTile Tile(MeshCode code, const char* name)
{
    DemTile t;
    EXPECT_TRUE(MeshCodeToRect(code, t.bounds));
    t.code = code;
    t.xmlName = PooledString(name);
    return t;
}

void ExpectSameHits(const TileHits& fast, const TileHits& scan, const std::string& where)
{
    EXPECT_EQ(fast.names, scan.names) << where;
    EXPECT_EQ(fast.lastCode, scan.lastCode) << where;
    EXPECT_EQ(fast.lastRect.left, scan.lastRect.left) << where;
    EXPECT_EQ(fast.lastRect.top, scan.lastRect.top) << where;
    EXPECT_EQ(fast.lastRect.right, scan.lastRect.right) << where;
    EXPECT_EQ(fast.lastRect.bottom, scan.lastRect.bottom) << where;
}

} // namespace

TEST(CollectHits, AClickTakesTheSquareOfItsPointSouthAndWestEdgesInsideAndTheLastHitWins)
{
    // Four 10 m tiles around the corner 35.75 N 139.75 E, and a second entry of the south-west one.
    DemTiles tiles{Tile(533945, "FG-GML-5339-45-dem10b-20161001.xml"),
                   Tile(533946, "FG-GML-5339-46-dem10b-20161001.xml"),
                   Tile(533955, "FG-GML-5339-55-dem10b-20161001.xml"),
                   Tile(533956, "FG-GML-5339-56-dem10b-20161001.xml"),
                   Tile(533945, "FG-GML-5339-45-dem10b-20161001.xml")};
    // The corner at the anchor pixel, as after a jump to the typed point 35.75,139.75.
    const MapViewport vp = Viewport(40, 139.75, 35.75);
    Project(tiles, vp);
    const POINT corner{vp.anchorX, vp.anchorY};
    for (const TileHits& h : {CollectHits(tiles, vp, corner), CollectHitsScan(tiles, vp, corner)}) {
        ASSERT_EQ(h.names.size(), 1u);
        EXPECT_EQ(h.lastCode, 533956);  // the status bar's square there
    }
    // One pixel west, one pixel south, both: the neighbours.
    EXPECT_EQ(CollectHits(tiles, vp, POINT{corner.x - 1, corner.y}).lastCode, 533955);
    EXPECT_EQ(CollectHits(tiles, vp, POINT{corner.x, corner.y + 1}).lastCode, 533946);
    const TileHits h = CollectHits(tiles, vp, POINT{corner.x - 1, corner.y + 1});
    // Both entries of the south-western tile hit; one name, the last of them gives the rectangle.
    ASSERT_EQ(h.names.size(), 1u);
    EXPECT_EQ(h.names[0], "FG-GML-5339-45-dem10b-20161001.xml");
    EXPECT_EQ(h.lastCode, 533945);
    // Every pixel of a stretch across the edges names the square PointToMeshCode gives its point.
    for (int dx = -30; dx <= 30; ++dx)
        for (int dy = -30; dy <= 30; dy += 3) {
            const POINT p{corner.x + dx, corner.y + dy};
            const GeoPoint g = ClientToGeo(vp, p);
            ASSERT_EQ(CollectHits(tiles, vp, p).lastCode, PointToMeshCode(g.lat, g.lon, false).value_or(-1))
                << dx << "," << dy;
        }
    // Beyond the four tiles: nothing.
    EXPECT_FALSE(CollectHits(tiles, vp, POINT{corner.x, tiles[3].screenRect.top - 1}).Any());
}

TEST(CollectHits, TheIndexFindsWhatTheScanFinds)
{
    // Every 5 m tile of a few second-level meshes, some listed twice, and a stray tile far off.
    DemTiles tiles;
    std::vector<std::string> names;
    names.reserve(2000);
    for (int second : {533935, 533936, 533945, 533946, 523970})
        for (int third = 0; third < 100; ++third) {
            const MeshCode code = second * 100 + third;
            names.push_back("FG-GML-" + std::to_string(code) + "-DEM5A.xml");
            tiles.push_back(Tile(code, names.back().c_str()));
            if (third % 7 == 0)
                tiles.push_back(Tile(code, names.back().c_str()));
        }
    tiles.push_back(Tile(36221234, "far.xml"));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> zoomOf(1.0, 400.0), jitter(-0.2, 0.2);
    std::uniform_int_distribution<int> xs(-5, 940), ys(-5, 575);
    for (int view = 0; view < 60; ++view) {
        const MapViewport vp = Viewport(view < 10 ? 4.0 + view : zoomOf(rng), 139.75 + jitter(rng), 35.6 + jitter(rng));
        Project(tiles, vp);
        for (int i = 0; i < 80; ++i) {
            const POINT p{xs(rng), ys(rng)};
            ExpectSameHits(CollectHits(tiles, vp, p), CollectHitsScan(tiles, vp, p),
                           "zoom " + std::to_string(vp.zoom) + " at " + std::to_string(p.x) + "," +
                               std::to_string(p.y));
        }
        // The corners of a tile on screen, where rounding decides.
        const RECT r = tiles[150].screenRect;
        for (POINT p : {POINT{r.left, r.top}, POINT{r.right - 1, r.bottom - 1}, POINT{r.right, r.bottom},
                        POINT{r.left - 1, r.top - 1}})
            ExpectSameHits(CollectHits(tiles, vp, p), CollectHitsScan(tiles, vp, p), "corner");
    }
}

TEST(CollectHits, OutOfDateCollectionsAndOddViewportsFallBackToTheScan)
{
    DemTiles tiles{Tile(533945, "a.xml")};
    MapViewport vp = Viewport(40, 139.75, 35.7);
    Project(tiles, vp);
    const POINT p{(tiles[0].screenRect.left + tiles[0].screenRect.right) / 2,
                  (tiles[0].screenRect.top + tiles[0].screenRect.bottom) / 2};
    EXPECT_TRUE(CollectHits(tiles, vp, p).Any());
    // The same collection refilled: the index must not answer from the old tiles.
    tiles = {Tile(523970, "b.xml"), Tile(523971, "c.xml")};
    Project(tiles, vp);
    const POINT q{(tiles[0].screenRect.left + tiles[0].screenRect.right) / 2,
                  (tiles[0].screenRect.top + tiles[0].screenRect.bottom) / 2};
    ExpectSameHits(CollectHits(tiles, vp, q), CollectHitsScan(tiles, vp, q), "replaced");
    vp.zoom = 0;
    ExpectSameHits(CollectHits(tiles, vp, q), CollectHitsScan(tiles, vp, q), "zoom 0");
}

TEST(CollectHits, TheEmbeddedCataloguesAgreeWithTheScan)
{
    g_hInstance = GetModuleHandle(nullptr);
    LoadGeodata();
    if (g_dem5Tiles.empty())
        GTEST_SKIP() << "no 5 m catalogue embedded";
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> xs(0, 932), ys(0, 567);
    for (double zoom : {4.0, 15.0, 60.0, 230.0}) {
        const MapViewport vp = Viewport(zoom, 139.7543, 35.684);
        Project(g_dem5Tiles, vp);
        Project(g_dem10Tiles, vp);
        for (int i = 0; i < 25; ++i) {
            const POINT p{xs(rng), ys(rng)};
            ExpectSameHits(CollectHits(g_dem5Tiles, vp, p), CollectHitsScan(g_dem5Tiles, vp, p), "5 m");
            ExpectSameHits(CollectHits(g_dem10Tiles, vp, p), CollectHitsScan(g_dem10Tiles, vp, p), "10 m");
        }
    }
    ClearGeodata();
}

TEST(BuildRows, OneRowPerPrefectureAndZipSortedAsBytes)
{
    const char* a = "FG-GML-5339-35-94-DEM5A-20161001.xml";
    const char* b = "FG-GML-5339-35-94-DEM5B-20161001.xml";
    const char* other = "FG-GML-5339-35-95-DEM5A-20161001.xml";
    const std::string zipA = "FG-GML-5339-35-DEM5A.zip", zipB = "FG-GML-5339-35-DEM5B.zip";
    const std::string high = "\x83\x41.zip";  // a CP932 name sorts after every ASCII one
    DemFiles files;
    auto add = [&](int pref, const char* xml, const std::string& zip) {
        files.push_back(DemFileEntry{pref, PooledString(xml), PooledString(zip.c_str())});
    };
    add(13, b, zipB);
    add(12, a, zipA);
    add(13, a, zipA);
    add(13, a, high);
    add(12, other, zipA);  // not picked
    add(12, b, zipA);      // same (prefecture, ZIP) as the second entry
    const std::vector<FileListRow> rows = BuildRows(files, DemEdition::Dem5m, {a, b});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].prefecture, 12);
    EXPECT_EQ(rows[0].xmlName, a);  // the first in name order survives
    EXPECT_EQ(rows[1].prefecture, 13);
    EXPECT_EQ(rows[1].zipName, zipA);
    EXPECT_EQ(rows[2].zipName, zipB);
    EXPECT_EQ(rows[3].zipName, high);
    // A name without a mesh code is still matched, by looking at every entry.
    add(5, "odd-name.xml", zipA);
    ASSERT_EQ(BuildRows(files, DemEdition::Dem5m, {"odd-name.xml"}).size(), 1u);
}

TEST(FileListText, LineFormatsOfBothEditionsAndTheFrame)
{
    const std::vector<PrefectureEntry> prefs{{0, Utf8ToCp932("北海道")}, {1, Utf8ToCp932("青森県")}};
    const std::vector<FileListRow> rows{{-1, "neg.zip", "neg.xml"}, {1, "b.zip", "b.xml"}, {2, "c.zip", "c.xml"}};
    EXPECT_EQ(Cp932ToUtf8(FileListText(rows, DemEdition::Dem10m, prefs)), " 青森県   b.zip   b.xml  \r\n");
    const std::string five = FileListText(rows, DemEdition::Dem5m, prefs);
    EXPECT_EQ(Cp932ToUtf8(five), "   青森県   b.zip   b.xml  \r\n   地図選択   c.zip   c.xml  \r\n");
    EXPECT_EQ(FrameFileList5m(five), "\r\n" + five + "\r\n");
    EXPECT_EQ(FileListText({}, DemEdition::Dem5m, prefs), "");
}

TEST(FileListTitle, CarriesTheCodeAndTheEdition)
{
    EXPECT_EQ(Cp932ToUtf8(FileListTitle(51376091, true)),
              "5mメッシュ[ 51376091 ] 該当する XMLファイル,それを含んでいる ZIPファイル");
    EXPECT_EQ(Cp932ToUtf8(FileListTitle(513677, false)),
              "10mメッシュ[ 513677 ] 該当する XMLファイル,それを含んでいる ZIPファイル");
}
