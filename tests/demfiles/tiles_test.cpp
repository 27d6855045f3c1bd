// Terrain tiles read back with GDAL and SQLite and decoded with the published formulas, against
// convert's raster sampled at each pixel's centre.
#include "demfiles/tiles.h"
#include "tests/demfiles/demtestfiles.h"
#include "tests/shell.h"

#include <cpl_vsi.h>
#include <gdal.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The heights the encodings' authors publish; none is set for no value.
double Decode(TileEncoding e, const uint8_t* p, int channels, bool& none)
{
    const double r = p[0], g = p[1], b = p[2];
    none = channels == 4 && p[3] == 0;
    switch (e) {
    case TileEncoding::Terrarium: return r * 256 + g + b / 256 - 32768;
    case TileEncoding::Mapbox: return -10000 + (r * 65536 + g * 256 + b) * 0.1;
    case TileEncoding::Gsi: {
        const double x = r * 65536 + g * 256 + b;
        none = x == 8388608;
        return x < 8388608 ? x * 0.01 : (x - 16777216) * 0.01;
    }
    }
    return 0;
}

struct Image {
    int width = 0, height = 0, bands = 0;
    std::vector<uint8_t> pixels;  // interleaved
    const uint8_t* At(int x, int y) const { return pixels.data() + (static_cast<size_t>(y) * width + x) * bands; }
};

Image ReadImage(const std::string& path)
{
    Image im;
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    EXPECT_TRUE(ds) << path;
    if (!ds)
        return im;
    im.width = GDALGetRasterXSize(ds), im.height = GDALGetRasterYSize(ds), im.bands = GDALGetRasterCount(ds);
    im.pixels.resize(static_cast<size_t>(im.width) * im.height * im.bands);
    EXPECT_EQ(GDALDatasetRasterIO(ds, GF_Read, 0, 0, im.width, im.height, im.pixels.data(), im.width, im.height,
                                  GDT_Byte, im.bands, nullptr, im.bands, static_cast<GSpacing>(im.width) * im.bands, 1),
              CE_None);
    GDALClose(ds);
    return im;
}

Image DecodePng(const std::string& bytes)
{
    const std::string path = "/vsimem/tiles-test.png";
    VSIFCloseL(VSIFileFromMemBuffer(path.c_str(), reinterpret_cast<GByte*>(const_cast<char*>(bytes.data())),
                                    bytes.size(), FALSE));
    Image im = ReadImage(path);
    VSIUnlink(path.c_str());
    return im;
}

// convert's raster, and its bilinear sample between the four nearest cell centres, cells
// without a value left out and the others' weights made to sum to one.
struct Raster {
    int width = 0, height = 0;
    double t[6] = {};
    std::vector<float> cells;

    double Sample(double lat, double lon, bool& none) const
    {
        const double u = (lon - t[0]) / t[1] - 0.5, v = (lat - t[3]) / t[5] - 0.5;
        const double c = std::floor(u), r = std::floor(v);
        double sum = 0, weight = 0;
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
                const int x = static_cast<int>(c) + dx, y = static_cast<int>(r) + dy;
                if (x < 0 || y < 0 || x >= width || y >= height)
                    continue;
                const float value = cells[static_cast<size_t>(y) * width + x];
                if (value == -9999.0f)
                    continue;
                const double w = (dx ? u - c : 1 - (u - c)) * (dy ? v - r : 1 - (v - r));
                sum += w * value;
                weight += w;
            }
        none = weight <= 0;
        return none ? 0 : sum / weight;
    }
};

Raster ReadRaster(const std::string& path)
{
    Raster r;
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    EXPECT_TRUE(ds) << path;
    if (!ds)
        return r;
    r.width = GDALGetRasterXSize(ds), r.height = GDALGetRasterYSize(ds);
    GDALGetGeoTransform(ds, r.t);
    r.cells.resize(static_cast<size_t>(r.width) * r.height);
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, r.width, r.height, r.cells.data(), r.width,
                           r.height, GDT_Float32, 0, 0),
              CE_None);
    GDALClose(ds);
    return r;
}

double PixelLon(int64_t x, double i, int size, int z)
{
    return (static_cast<double>(x) + (i + 0.5) / size) / std::ldexp(1.0, z) * 360 - 180;
}

double PixelLat(int64_t y, double j, int size, int z)
{
    return std::atan(std::sinh(kPi * (1 - 2 * (static_cast<double>(y) + (j + 0.5) / size) / std::ldexp(1.0, z)))) *
           180 / kPi;
}

std::string Xml(int32_t mesh, DemKind kind)
{
    TestXml spec;
    spec.mesh = mesh;
    ExpectedGrid(kind, spec.width, spec.height);
    return MakeDemXml(spec);
}

// Four 5 m files that meet at a corner, inside an archive, over the 10 m file of their square:
// mesh edges both ways and edges between the editions.
std::string MakeArea(const std::string& name)
{
    const std::string dir = TempDir(name);
    std::vector<ZipMember> five;
    for (const int32_t mesh : {53394655, 53394656, 53394665, 53394666})
        five.push_back({DemXmlName(mesh, DemKind::Dem5A), Xml(mesh, DemKind::Dem5A)});
    WriteFile(dir + "/in/" + DemZipName(533946, DemKind::Dem5A), MakeZip(five));
    WriteFile(dir + "/in/" + DemZipName(533946, DemKind::Dem10B),
              MakeZip({{DemXmlName(533946, DemKind::Dem10B), Xml(533946, DemKind::Dem10B)}}));
    return dir;
}

// Around the four 5 m squares (35.70833..35.725 N, 139.8125..139.8375 E) and some 10 m cells.
const GeoBox kBox{35.705, 139.809, 35.7275, 139.84};

struct Outcome {
    int status = -1;
    std::string err;
};

template <typename F>
Outcome Capture(F f)
{
    std::FILE* err = std::tmpfile();
    Outcome r;
    r.status = f(err);
    std::rewind(err);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, err)) > 0;)
        r.err.append(buf, n);
    std::fclose(err);
    return r;
}

Raster ConvertArea(const std::string& dir)
{
    ConvertOptions c;
    c.inputs = {dir + "/in"};
    c.bbox = kBox;
    c.out = dir + "/convert.tif";
    const Outcome run = Capture([&](std::FILE* err) { return ConvertDemFiles(c, err); });
    EXPECT_EQ(run.status, 0) << run.err;
    return ReadRaster(c.out);
}

TilesOptions AreaTiles(const std::string& dir, const std::string& out, TileEncoding e)
{
    TilesOptions o;
    o.cells.inputs = {dir + "/in"};
    o.cells.bbox = kBox;
    o.out = out;
    o.encoding = e;
    return o;
}

Outcome MakeTilesOf(const TilesOptions& o)
{
    return Capture([&](std::FILE* err) { return MakeTiles(o, err); });
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every tile file under a folder: (z, x, y) to path.
std::map<std::tuple<int, int64_t, int64_t>, std::string> TileFiles(const std::string& root)
{
    std::map<std::tuple<int, int64_t, int64_t>, std::string> tiles;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.path().extension() != ".png")
            continue;
        const fs::path rel = fs::relative(e.path(), root);
        auto it = rel.begin();
        const int z = std::stoi((it++)->string());
        const int64_t x = std::stoll((it++)->string());
        const int64_t y = std::stoll(it->stem().string());
        tiles[{z, x, y}] = e.path().string();
    }
    return tiles;
}

// Compares every pixel of every tile of zoom z (present or not) with convert's raster; counts
// the pixels with a value.
size_t ExpectTopZoomMatches(const std::string& root, const Raster& raster, TileEncoding e, bool transparent, int z,
                            int size = 256, const GeoBox& box = kBox)
{
    const auto files = TileFiles(root);
    const TileRange range = TilesOver(box, z);
    const double tolerance = TileEncodingStep(e) + 0.01;
    size_t values = 0, bad = 0;
    for (int64_t y = range.y0; y < range.y1; ++y)
        for (int64_t x = range.x0; x < range.x1; ++x) {
            const auto it = files.find({z, x, y});
            const Image im = it == files.end() ? Image{} : ReadImage(it->second);
            if (it != files.end()) {
                EXPECT_EQ(im.width, size);
                EXPECT_EQ(im.bands, transparent && e != TileEncoding::Gsi ? 4 : 3);
            }
            for (int j = 0; j < size; ++j)
                for (int i = 0; i < size; ++i) {
                    bool none = false;
                    const double want = raster.Sample(PixelLat(y, j, size, z), PixelLon(x, i, size, z), none);
                    if (it == files.end()) {
                        bad += !none;  // a tile left out has no value at all
                        continue;
                    }
                    bool got = false;
                    const double h = Decode(e, im.At(i, j), im.bands, got);
                    values += !none;
                    if (none && e != TileEncoding::Gsi && !transparent)
                        bad += h != 0;  // no data as the code of 0 m
                    else if (none || got)
                        bad += none != got;
                    else if (std::fabs(h - want) > tolerance && bad++ < 5)
                        ADD_FAILURE() << z << "/" << x << "/" << y << " pixel " << i << "," << j << ": " << h
                                      << " instead of " << want;
                }
        }
    EXPECT_EQ(bad, 0u);
    return values;
}

} // namespace

TEST(TileEncoding, EachEncodingDecodesWithinHalfItsStepAndClampsAtItsEnds)
{
    for (const TileEncoding e : {TileEncoding::Terrarium, TileEncoding::Mapbox, TileEncoding::Gsi})
        for (const float h : {0.0f, 0.004f, 3.67f, -12.34f, -418.5f, 3776.24f, 8848.86f, 1234.567f}) {
            uint8_t p[4];
            EncodeHeight(e, false, h, p);
            bool none = true;
            EXPECT_NEAR(Decode(e, p, 3, none), h, TileEncodingStep(e) / 2 + 1e-4) << TileEncodingName(e) << " " << h;
            EXPECT_FALSE(none);
        }
    uint8_t p[4];
    EncodeHeight(TileEncoding::Gsi, false, -0.01f, p);
    EXPECT_EQ(p[0], 255);  // negative heights count down from 2^24
    EncodeHeight(TileEncoding::Gsi, false, 1e9f, p);
    bool none = true;
    EXPECT_NEAR(Decode(TileEncoding::Gsi, p, 3, none), 83886.07, 1e-6);
    EXPECT_FALSE(none);  // not (128, 0, 0)
    EncodeHeight(TileEncoding::Gsi, false, -1e9f, p);
    EXPECT_NEAR(Decode(TileEncoding::Gsi, p, 3, none), -83886.07, 1e-6);
    EXPECT_FALSE(none);
    EncodeHeight(TileEncoding::Terrarium, false, 40000.0f, p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 255);
    EncodeHeight(TileEncoding::Mapbox, false, -20000.0f, p);
    EXPECT_EQ(Decode(TileEncoding::Mapbox, p, 3, none), -10000);
}

TEST(TileEncoding, NoValueIsZeroMetresTransparentOrGsisOwnColour)
{
    const float nan = std::nanf("");
    for (const TileEncoding e : {TileEncoding::Terrarium, TileEncoding::Mapbox}) {
        uint8_t p[4] = {1, 1, 1, 1};
        ASSERT_EQ(TileChannels(e, false), 3);
        EncodeHeight(e, false, nan, p);
        bool none = true;
        EXPECT_EQ(Decode(e, p, 3, none), 0) << TileEncodingName(e);
        ASSERT_EQ(TileChannels(e, true), 4);
        EncodeHeight(e, true, nan, p);
        EXPECT_EQ(p[3], 0);
        EncodeHeight(e, true, 12.5f, p);
        EXPECT_EQ(p[3], 255);
        EXPECT_NEAR(Decode(e, p, 4, none), 12.5, TileEncodingStep(e) / 2);
        EXPECT_FALSE(none);
    }
    EXPECT_EQ(TileChannels(TileEncoding::Gsi, true), 3);
    uint8_t p[4];
    EncodeHeight(TileEncoding::Gsi, true, nan, p);
    EXPECT_EQ(p[0], 128);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);
}

TEST(TileZooms, DefaultsFollowTheFinestGridAndTheAreasSize)
{
    EXPECT_EQ(DefaultMaxZoom(90000), 17);  // 1 m
    EXPECT_EQ(DefaultMaxZoom(18000), 15);  // 5 m
    EXPECT_EQ(DefaultMaxZoom(9000), 14);   // 10 m
    // Second-level square 533946 fits one tile at 9 (228/100), two rows at 10; at 15 it spans
    // columns 29104..29115 and rows 12895..12904.
    const GeoBox square{35 + 2.0 / 3, 139.75, 35.75, 139.875};
    EXPECT_EQ(DefaultMinZoom(square, 15), 9);
    EXPECT_EQ(DefaultMinZoom(square, 7), 7);
    const TileRange r = TilesOver(square, 15);
    EXPECT_EQ(r.x0, 29104);
    EXPECT_EQ(r.x1, 29116);
    EXPECT_EQ(r.y0, 12895);
    EXPECT_EQ(r.y1, 12905);
    // A box that is one tile exactly takes that tile, not its neighbours.
    const GeoBox tile{LatOfTileY(403, 10), LonOfTileX(909, 10), LatOfTileY(402, 10), LonOfTileX(910, 10)};
    EXPECT_EQ(TilesOver(tile, 10).Count(), 1);
    EXPECT_EQ(TilesOver(tile, 11).Count(), 4);
    EXPECT_EQ(DefaultMinZoom(tile, 15), 10);
}

// The top zoom across mesh edges, edition edges and tile edges, in every encoding; the zoom below
// is the mean of the four pixels under each pixel.
TEST(Tiles, TopZoomPixelsAreConvertsBilinearSampleAndLowerOnesTheMeanOfTheirChildren)
{
    const std::string dir = MakeArea("tiles-values");
    const Raster raster = ConvertArea(dir);
    ASSERT_GT(raster.width, 0);
    for (const TileEncoding e : {TileEncoding::Terrarium, TileEncoding::Mapbox, TileEncoding::Gsi}) {
        SCOPED_TRACE(TileEncodingName(e));
        const std::string out = dir + "/" + TileEncodingName(e);
        TilesOptions o = AreaTiles(dir, out, e);
        o.minZoom = 14, o.maxZoom = 15;
        const Outcome run = MakeTilesOf(o);
        ASSERT_EQ(run.status, 0) << run.err;
        // 4 x 3 tiles at 15, those at the sides reaching beyond the box.
        EXPECT_GT(ExpectTopZoomMatches(out, raster, e, false, 15), size_t{400000});
        const auto files = TileFiles(out);
        size_t parents = 0, bad = 0;
        for (const auto& [key, path] : files) {
            const auto [z, x, y] = key;
            if (z != 14)
                continue;
            ++parents;
            const Image parent = ReadImage(path);
            std::map<int, Image> children;
            for (int q = 0; q < 4; ++q)
                if (const auto it = files.find({15, 2 * x + (q & 1), 2 * y + (q >> 1)}); it != files.end())
                    children[q] = ReadImage(it->second);
            for (int j = 0; j < 256; ++j)
                for (int i = 0; i < 256; ++i) {
                    const int q = (i >= 128) + 2 * (j >= 128);
                    if (!children.count(q))
                        continue;
                    const Image& c = children[q];
                    double sum = 0;
                    for (int k = 0; k < 4; ++k) {
                        bool none = false;
                        sum += Decode(e, c.At(2 * (i % 128) + (k & 1), 2 * (j % 128) + (k >> 1)), 3, none);
                    }
                    bool none = false;
                    // Where a child pixel has no value the mean is of fewer; only whole ones here.
                    bool partial = false;
                    for (int k = 0; k < 4; ++k) {
                        bool n = false;
                        const double h = Decode(e, c.At(2 * (i % 128) + (k & 1), 2 * (j % 128) + (k >> 1)), 3, n);
                        partial |= n || (e != TileEncoding::Gsi && h == 0);
                    }
                    if (partial)
                        continue;
                    bad += std::fabs(Decode(e, parent.At(i, j), 3, none) - sum / 4) > TileEncodingStep(e) + 0.01;
                }
        }
        EXPECT_GT(parents, 0u);
        EXPECT_EQ(bad, 0u);
        // No other zooms, and the metadata beside them.
        for (const auto& [key, path] : files)
            EXPECT_TRUE(std::get<0>(key) == 14 || std::get<0>(key) == 15) << path;
        EXPECT_NE(Bytes(out + "/metadata.json").find("\"encoding\": \"" + std::string(TileEncodingName(e)) + "\""),
                  std::string::npos);
    }
    fs::remove_all(dir);
}

// No data as transparent pixels; and a top zoom so coarse that the raster is read two rows at a
// time still samples it at the pixel centres.
TEST(Tiles, TransparentNoDataAndACoarseTopZoomSampleTheRasterAlike)
{
    const std::string dir = MakeArea("tiles-coarse");
    const Raster raster = ConvertArea(dir);
    TilesOptions o = AreaTiles(dir, dir + "/t", TileEncoding::Terrarium);
    o.transparent = true;
    o.minZoom = o.maxZoom = 15;
    ASSERT_EQ(MakeTilesOf(o).status, 0);
    EXPECT_GT(ExpectTopZoomMatches(dir + "/t", raster, TileEncoding::Terrarium, true, 15), size_t{400000});
    o.out = dir + "/c";
    o.transparent = false;
    o.minZoom = o.maxZoom = 11;
    o.tileSize = 512;
    ASSERT_EQ(MakeTilesOf(o).status, 0);
    EXPECT_GT(ExpectTopZoomMatches(dir + "/c", raster, TileEncoding::Terrarium, false, 11, 512), size_t{1000});
    fs::remove_all(dir);
}

// A 1 m file alone: its grid sets the zooms up to 17, and its cells are sampled there.
TEST(Tiles, OneMetreFilesGoToZoom17)
{
    const std::string dir = TempDir("tiles-1m");
    const int32_t mesh = 53394655;
    WriteFile(dir + "/in/" + DemXmlName(mesh, DemKind::Dem1A), Xml(mesh, DemKind::Dem1A));
    ConvertOptions c;
    c.inputs = {dir + "/in"};
    c.out = dir + "/convert.tif";
    ASSERT_EQ(Capture([&](std::FILE* err) { return ConvertDemFiles(c, err); }).status, 0);
    const Raster raster = ReadRaster(c.out);
    ASSERT_EQ(raster.width, 1125);
    TilesOptions o;
    o.cells.inputs = c.inputs;
    o.out = dir + "/t";
    const Outcome run = MakeTilesOf(o);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string metadata = Bytes(dir + "/t/metadata.json");
    EXPECT_NE(metadata.find("\"maxzoom\": \"17\""), std::string::npos) << metadata;
    const GeoBox square{35 + 2.0 / 3 + 5.0 / 120, 139.75 + 5.0 / 80, 35 + 2.0 / 3 + 6.0 / 120, 139.75 + 6.0 / 80};
    EXPECT_GT(ExpectTopZoomMatches(dir + "/t", raster, TileEncoding::Terrarium, false, 17, 256, square), size_t{900000});
    fs::remove_all(dir);
}

// The highest zoom is made in column bands to bound memory; their width changes nothing.
TEST(Tiles, BandsOfAnyWidthGiveTheSameTiles)
{
    const std::string dir = MakeArea("tiles-bands");
    TilesOptions o = AreaTiles(dir, dir + "/wide", TileEncoding::Mapbox);
    o.minZoom = 12, o.maxZoom = 16;
    ASSERT_EQ(MakeTilesOf(o).status, 0);
    o.out = dir + "/narrow";
    o.bandCells = 1;
    ASSERT_EQ(MakeTilesOf(o).status, 0);
    const auto wide = TileFiles(dir + "/wide"), narrow = TileFiles(dir + "/narrow");
    ASSERT_EQ(wide.size(), narrow.size());
    EXPECT_GT(wide.size(), 30u);
    for (const auto& [key, path] : wide) {
        ASSERT_TRUE(narrow.count(key)) << path;
        EXPECT_EQ(Bytes(path), Bytes(narrow.at(key))) << path;
    }
    fs::remove_all(dir);
}

// The same tiles in an MBTiles file: SQLite sees the rows from the south and the metadata, GDAL
// opens it as a raster whose pixels are again convert's bilinear samples.
TEST(Tiles, AnMbtilesFileHoldsTheFoldersTilesAndReadsBackThroughGdal)
{
    const std::string dir = MakeArea("tiles-mbtiles");
    const Raster raster = ConvertArea(dir);
    TilesOptions o = AreaTiles(dir, dir + "/folder", TileEncoding::Mapbox);
    o.maxZoom = 15;
    ASSERT_EQ(MakeTilesOf(o).status, 0);
    o.out = dir + "/area.mbtiles";
    const Outcome run = MakeTilesOf(o);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto folder = TileFiles(dir + "/folder");

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(o.out.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::map<std::string, std::string> metadata;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT name, value FROM metadata", -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW)
        metadata[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
            reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    sqlite3_finalize(st);
    EXPECT_EQ(metadata["encoding"], "mapbox");
    EXPECT_EQ(metadata["format"], "png");
    EXPECT_EQ(metadata["maxzoom"], "15");
    EXPECT_EQ(metadata["minzoom"], "11");  // the box spans two columns of tiles at 12, one at 11
    EXPECT_NE(metadata["attribution"].find("国土地理院"), std::string::npos);
    double w = 0, s = 0, e = 0, n = 0;
    ASSERT_EQ(std::sscanf(metadata["bounds"].c_str(), "%lf,%lf,%lf,%lf", &w, &s, &e, &n), 4);
    EXPECT_NEAR(w, kBox.west, 1.0 / 18000);
    EXPECT_NEAR(s, kBox.south, 1.0 / 18000);
    EXPECT_NEAR(e, kBox.east, 1.0 / 18000);
    EXPECT_NEAR(n, kBox.north, 1.0 / 18000);
    size_t rows = 0;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT zoom_level, tile_column, tile_row, tile_data FROM tiles", -1, &st, nullptr),
              SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        const int z = sqlite3_column_int(st, 0);
        const int64_t x = sqlite3_column_int64(st, 1), y = (int64_t{1} << z) - 1 - sqlite3_column_int64(st, 2);
        const std::string blob(static_cast<const char*>(sqlite3_column_blob(st, 3)),
                               static_cast<size_t>(sqlite3_column_bytes(st, 3)));
        const auto it = folder.find({z, x, y});
        ASSERT_NE(it, folder.end()) << z << "/" << x << "/" << y;
        EXPECT_EQ(blob, Bytes(it->second));
        EXPECT_EQ(DecodePng(blob).width, 256);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    EXPECT_EQ(rows, folder.size());

    GDALDatasetH ds = GDALOpen(o.out.c_str(), GA_ReadOnly);
    ASSERT_TRUE(ds);
    EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(ds)), "MBTiles");
    double t[6];
    GDALGetGeoTransform(ds, t);
    const int width = GDALGetRasterXSize(ds), height = GDALGetRasterYSize(ds);
    EXPECT_NEAR(t[1], 2 * 20037508.342789244 / (256 << 15), 1e-6);  // zoom 15
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    ASSERT_EQ(GDALDatasetRasterIO(ds, GF_Read, 0, 0, width, height, rgb.data(), width, height, GDT_Byte, 3, nullptr, 3,
                                  static_cast<GSpacing>(width) * 3, 1),
              CE_None);
    GDALClose(ds);
    // GDAL takes its extent from the bounds and reads whole pixels of the tiles: the nearest.
    const double r = 20037508.342789244;
    const double x0 = std::round((t[0] + r) / t[1]) * t[1] - r, y0 = r - std::round((r - t[3]) / t[1]) * t[1];
    size_t checked = 0, bad = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const double mx = x0 + (i + 0.5) * t[1], my = y0 + (j + 0.5) * t[5];
            const double lon = mx / r * 180;
            const double lat = std::atan(std::sinh(my / r * kPi)) * 180 / kPi;
            bool none = false;
            const double want = raster.Sample(lat, lon, none);
            if (none)
                continue;
            const double got = Decode(TileEncoding::Mapbox, rgb.data() + (static_cast<size_t>(j) * width + i) * 3, 3, none);
            ++checked;
            bad += std::fabs(got - want) > 0.11;
        }
    EXPECT_GT(checked, size_t{400000});
    EXPECT_EQ(bad, 0u);
    fs::remove_all(dir);
}

// As users run it: bad arguments are refused before any work, damaged inputs named and skipped.
TEST(TilesCli, RefusesBadArgumentsAndSkipsDamagedInputs)
{
    const std::string dir = MakeArea("tiles-cli");
    const std::string cli = std::string(TESSELO_CLI) + " tiles " + dir + "/in ";
    for (const std::string& bad : std::vector<std::string>{"--out " + dir + "/a.mbtiles --encoding png", "--out " + dir + "/a.mbtiles --zoom 15-12",
                                  "--out " + dir + "/a.mbtiles --zoom 30", "--out " + dir + "/a.mbtiles --tile-size 300",
                                  "--out " + dir + "/a.mbtiles --nodata nan", "--zoom 12", "--out " + dir + "/in/" +
                                  DemZipName(533946, DemKind::Dem5A)}) {
        EXPECT_EQ(RunShell(cli + bad + " 2>/dev/null").status, 1) << bad;
        EXPECT_FALSE(fs::exists(dir + "/a.mbtiles")) << bad;
    }
    EXPECT_EQ(RunShell(std::string(TESSELO_CLI) + " tiles --help").status, 0);
    WriteFile(dir + "/in/" + DemZipName(533947, DemKind::Dem5A), "not a zip");
    const ShellOutput run = RunShell(cli + "--zoom=13-14 --bbox 35.705,139.809,35.7275,139.84 --out=" + dir +
                                     "/b.mbtiles --quiet 2>&1");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.text.find("tesselo-cli: tiles: skipped"), std::string::npos) << run.text;
    EXPECT_TRUE(fs::exists(dir + "/b.mbtiles"));
    // Nothing in the area: exit status 1 and no file.
    const ShellOutput none = RunShell(cli + "--bbox 30,130,30.1,130.1 --out " + dir + "/c.mbtiles 2>&1");
    EXPECT_EQ(none.status, 1) << none.text;
    EXPECT_FALSE(fs::exists(dir + "/c.mbtiles"));
    fs::remove_all(dir);
}
