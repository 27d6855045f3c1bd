#include "demfiles/convert.h"
#include "tests/demfiles/demtestfiles.h"

#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Raster {
    int width = 0, height = 0;
    double transform[6] = {};
    std::string epsg;
    double nodata = 0;
    int hasNodata = 0;
    int blockX = 0, blockY = 0;
    std::string compression, layout;
    std::vector<float> cells;
    float At(int x, int y) const { return cells[static_cast<size_t>(y) * width + x]; }
};

Raster ReadBack(const std::string& path)
{
    Raster r;
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    EXPECT_TRUE(ds) << path;
    if (!ds)
        return r;
    r.width = GDALGetRasterXSize(ds);
    r.height = GDALGetRasterYSize(ds);
    GDALGetGeoTransform(ds, r.transform);
    if (OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
        const char* code = OSRGetAuthorityCode(srs, nullptr);
        r.epsg = code ? code : "";
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    r.nodata = GDALGetRasterNoDataValue(band, &r.hasNodata);
    GDALGetBlockSize(band, &r.blockX, &r.blockY);
    if (const char* c = GDALGetMetadataItem(ds, "COMPRESSION", "IMAGE_STRUCTURE"))
        r.compression = c;
    if (const char* l = GDALGetMetadataItem(ds, "LAYOUT", "IMAGE_STRUCTURE"))
        r.layout = l;
    EXPECT_EQ(GDALGetRasterDataType(band), GDT_Float32);
    r.cells.resize(static_cast<size_t>(r.width) * r.height);
    EXPECT_EQ(GDALRasterIO(band, GF_Read, 0, 0, r.width, r.height, r.cells.data(), r.width, r.height, GDT_Float32, 0, 0),
              CE_None);
    GDALClose(ds);
    return r;
}

struct Outcome {
    int status = -1;
    std::string err;
};

Outcome Convert(ConvertOptions o)
{
    std::FILE* err = std::tmpfile();
    Outcome r;
    r.status = ConvertDemFiles(o, err);
    std::rewind(err);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, err)) > 0)
        r.err.append(buf, n);
    std::fclose(err);
    return r;
}

std::string Xml(int32_t mesh, DemKind kind, TestXml spec = {})
{
    spec.mesh = mesh;
    int32_t w, h;
    ExpectedGrid(kind, w, h);
    spec.width = w, spec.height = h;
    return MakeDemXml(spec);
}

size_t FilesIn(const std::string& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

// A 5 m file inside a 5 m archive inside a bundle: the raster is that square exactly.
TEST(Convert, NestedZipFiveMeterFile)
{
    const std::string dir = TempDir("nested");
    const int32_t mesh = 53394611;
    const std::string inner = MakeZip({{DemXmlName(mesh, DemKind::Dem5A), Xml(mesh, DemKind::Dem5A)}});
    WriteFile(dir + "/in/bundle.zip", MakeZip({{"PackDLMap/" + DemZipName(533946, DemKind::Dem5A), inner, false}}));
    ConvertOptions o;
    o.inputs = {dir + "/in"};
    o.out = dir + "/out.tif";
    const Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    const Raster r = ReadBack(o.out);
    ASSERT_EQ(r.width, 225);
    ASSERT_EQ(r.height, 150);
    // West 139.8125 (= 139 + 6 * 0.125 + 0.0125), north 35.675 + 1/120.
    EXPECT_DOUBLE_EQ(r.transform[0], (139.0 * 18000 + 6 * 2250 + 225) / 18000);
    EXPECT_DOUBLE_EQ(r.transform[3], (53.0 * 12000 + 4 * 1500 + 2 * 150) / 18000);
    EXPECT_DOUBLE_EQ(r.transform[1], 1.0 / 18000);
    EXPECT_DOUBLE_EQ(r.transform[5], -1.0 / 18000);
    EXPECT_EQ(r.transform[2], 0);
    EXPECT_EQ(r.epsg, "6668");
    EXPECT_EQ(r.hasNodata, 1);
    EXPECT_EQ(r.nodata, -9999);
    EXPECT_EQ(r.compression, "DEFLATE");
    EXPECT_EQ(r.layout, "COG");
    EXPECT_EQ(r.At(0, 0), -9999.0f);  // sea
    EXPECT_EQ(r.At(1, 0), TestValue(mesh, 1, 0));
    EXPECT_EQ(r.At(224, 149), TestValue(mesh, 224, 149));
    EXPECT_EQ(r.At(100, 7), TestValue(mesh, 100, 7));
    EXPECT_EQ(FilesIn(dir), 2u);  // in/ and out.tif: no temporary file left
    fs::remove_all(dir);
}

// A full 10 m file on the 10 m grid, read back across the 512-cell tile borders.
TEST(Convert, TenMeterFileAcrossTileBorders)
{
    const std::string dir = TempDir("tenm");
    const int32_t mesh = 533946;
    TestXml spec;
    spec.crlf = true;
    spec.shiftJis = true;
    WriteFile(dir + "/" + DemZipName(mesh, DemKind::Dem10B),
              MakeZip({{DemXmlName(mesh, DemKind::Dem10B), Xml(mesh, DemKind::Dem10B, spec)}}));
    ConvertOptions o;
    o.inputs = {dir + "/" + DemZipName(mesh, DemKind::Dem10B)};
    o.out = dir + "/out.tif";
    const Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    const Raster r = ReadBack(o.out);
    ASSERT_EQ(r.width, 1125);
    ASSERT_EQ(r.height, 750);
    EXPECT_EQ(r.blockX, 512);
    EXPECT_DOUBLE_EQ(r.transform[1], 1.0 / 9000);
    EXPECT_DOUBLE_EQ(r.transform[0], 139.75);
    for (int x : {0, 1, 510, 511, 512, 513, 1023, 1024, 1124})
        for (int y : {0, 1, 511, 512, 513, 749})
            EXPECT_EQ(r.At(x, y), x == y ? -9999.0f : TestValue(mesh, x, y)) << x << "," << y;
    fs::remove_all(dir);
}

// best: 5A where it has a value, else 5B, else the 10 m cell under the centre; 5m: no 10 m;
// 10m: the 10 m grid alone.
TEST(Convert, EditionsMix)
{
    const std::string dir = TempDir("mix");
    const int32_t ten = 533946, five = 53394600;  // the south-west third-level square
    WriteFile(dir + "/" + DemXmlName(ten, DemKind::Dem10B), Xml(ten, DemKind::Dem10B));
    // 5A: values only from cell (0, 100) on, and only 20 of them.
    TestXml a;
    a.startX = 0, a.startY = 100;
    a.fillTuples = false;
    for (int i = 0; i < 20; ++i)
        a.tuples.push_back(i == 5 ? "データなし,-9999." : "地表面," + std::to_string(7000 + i) + ".50");
    WriteFile(dir + "/" + DemXmlName(five, DemKind::Dem5A, "20200101"), Xml(five, DemKind::Dem5A, a));
    // 5B: everything but the first row.
    TestXml b;
    b.startY = 1;
    WriteFile(dir + "/sub/" + DemXmlName(five, DemKind::Dem5B), Xml(five, DemKind::Dem5B, b));

    ConvertOptions o;
    o.inputs = {dir};
    o.out = dir + "/best.tif";
    Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    Raster r = ReadBack(o.out);
    ASSERT_EQ(r.width, 2250);
    ASSERT_EQ(r.height, 1500);
    const int top = 1500 - 150;  // first output row of the 5 m square
    EXPECT_EQ(r.At(0, top + 100), 7000.5f);
    EXPECT_EQ(r.At(19, top + 100), 7019.5f);
    EXPECT_EQ(r.At(5, top + 100), TestValue(five, 5, 100));   // 5A has no value there: 5B
    EXPECT_EQ(r.At(20, top + 100), TestValue(five, 20, 100)); // after 5A's last tuple
    // 5B's sea cell has no value: the 10 m cell under it.
    EXPECT_EQ(r.At(100, top + 100), TestValue(ten, 50, (top + 100) / 2));
    // 5B's first row is empty: the 10 m cell holding the centre of 5 m cell (7, top).
    EXPECT_EQ(r.At(7, top), TestValue(ten, 3, top / 2));
    // Outside the 5 m square, 10 m everywhere, each 10 m cell over 2 x 2 cells.
    EXPECT_EQ(r.At(1001, 3), TestValue(ten, 500, 1));
    EXPECT_EQ(r.At(1000, 2), TestValue(ten, 500, 1));
    EXPECT_EQ(r.At(2249, 0), TestValue(ten, 1124, 0));
    EXPECT_EQ(r.At(4, 7), TestValue(ten, 2, 3));
    EXPECT_EQ(r.At(4, 4), -9999.0f);  // 10 m sea on the diagonal

    o.edition = EditionPick::Dem5m;
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    r = ReadBack(o.out);
    ASSERT_EQ(r.width, 225);
    ASSERT_EQ(r.height, 150);
    EXPECT_EQ(r.At(0, 100), 7000.5f);
    EXPECT_EQ(r.At(7, 0), -9999.0f);
    EXPECT_EQ(r.At(100, 100), -9999.0f);  // sea stays sea

    o.edition = EditionPick::Dem10m;
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    r = ReadBack(o.out);
    ASSERT_EQ(r.width, 1125);
    EXPECT_EQ(r.At(3, 700), TestValue(ten, 3, 700));
    fs::remove_all(dir);
}

// The box is widened to whole cells; files outside it are not read.
TEST(Convert, BoxWidenedToWholeCells)
{
    const std::string dir = TempDir("bbox");
    const int32_t mesh = 53394611;
    WriteFile(dir + "/" + DemXmlName(mesh, DemKind::Dem5A), Xml(mesh, DemKind::Dem5A));
    WriteFile(dir + "/" + DemXmlName(53394699, DemKind::Dem5A), "not even XML");
    const double west = (139.0 * 18000 + 6 * 2250 + 225) / 18000, north = (53.0 * 12000 + 4 * 1500 + 2 * 150) / 18000;
    ConvertOptions o;
    o.inputs = {dir};
    o.out = dir + "/box.tif";
    // 10.5 cells east of the west edge to 20.2 cells; 3 cells below the north edge to 0.5.
    o.bbox = GeoBox{north - 3.0 / 18000, west + 10.5 / 18000, north - 0.5 / 18000, west + 20.2 / 18000};
    const Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    const Raster r = ReadBack(o.out);
    EXPECT_EQ(r.width, 11);
    EXPECT_EQ(r.height, 3);
    EXPECT_DOUBLE_EQ(r.transform[0], west + 10.0 / 18000);
    EXPECT_DOUBLE_EQ(r.transform[3], north);
    EXPECT_EQ(r.At(0, 0), TestValue(mesh, 10, 0));
    EXPECT_EQ(r.At(10, 2), TestValue(mesh, 20, 2));
    fs::remove_all(dir);
}

// A JGD2000 file lands on the same cells as its JGD2011 twin.
TEST(Convert, Jgd2000FileOnTheSameGrid)
{
    const std::string dir = TempDir("jgd2000");
    const int32_t mesh = 53394611;
    TestXml old;
    old.srs = "jgd2000";
    WriteFile(dir + "/a/" + DemXmlName(mesh, DemKind::Dem5A), Xml(mesh, DemKind::Dem5A));
    WriteFile(dir + "/b/" + DemXmlName(mesh, DemKind::Dem5A, "20090101"), Xml(mesh, DemKind::Dem5A, old));
    ConvertOptions o;
    o.inputs = {dir + "/a"};
    o.out = dir + "/a.tif";
    ASSERT_EQ(Convert(o).status, 0);
    o.inputs = {dir + "/b"};
    o.out = dir + "/b.tif";
    ASSERT_EQ(Convert(o).status, 0);
    const Raster a = ReadBack(dir + "/a.tif"), b = ReadBack(dir + "/b.tif");
    EXPECT_EQ(a.cells, b.cells);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(a.transform[i], b.transform[i]);
    fs::remove_all(dir);
}

// Damaged members are named and skipped (status 2); nothing usable is status 1, no file.
TEST(Convert, DamagedInputs)
{
    const std::string dir = TempDir("damaged");
    const int32_t good = 53394611, bad = 53394612;
    std::string broken = Xml(bad, DemKind::Dem5A);
    broken.replace(broken.find("地表面,") + 10, 1, "x");
    WriteFile(dir + "/in/" + DemZipName(533946, DemKind::Dem5A),
              MakeZip({{DemXmlName(good, DemKind::Dem5A), Xml(good, DemKind::Dem5A)},
                       {DemXmlName(bad, DemKind::Dem5A), broken}}));
    ConvertOptions o;
    o.inputs = {dir + "/in"};
    o.out = dir + "/out.tif";
    Outcome run = Convert(o);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(DemXmlName(bad, DemKind::Dem5A)), std::string::npos) << run.err;
    Raster r = ReadBack(o.out);
    EXPECT_EQ(r.width, 450);  // both squares: the damaged one stays empty
    EXPECT_EQ(r.At(1, 0), TestValue(good, 1, 0));
    EXPECT_EQ(r.At(226, 0), -9999.0f);

    // The newest edition is damaged: named, and the next copy stands in.
    WriteFile(dir + "/copies/a/" + DemXmlName(good, DemKind::Dem5A, "20250731"), "<Dataset>");
    WriteFile(dir + "/copies/b/" + DemXmlName(good, DemKind::Dem5A, "20200202"), Xml(good, DemKind::Dem5A));
    o.inputs = {dir + "/copies"};
    run = Convert(o);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("copies/a/"), std::string::npos) << run.err;
    r = ReadBack(o.out);
    EXPECT_EQ(r.width, 225);
    EXPECT_EQ(r.At(1, 0), TestValue(good, 1, 0));
    // An older edition first in path order is not used, and said so.
    TestXml older;
    older.offset = 500;
    WriteFile(dir + "/copies/0/" + DemXmlName(good, DemKind::Dem5A, "20090401"), Xml(good, DemKind::Dem5A, older));
    run = Convert(o);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("copies/0/" + DemXmlName(good, DemKind::Dem5A, "20090401") +
                           ": not used: an older edition (2009-04-01) than " + dir + "/copies/b/"),
              std::string::npos)
        << run.err;
    r = ReadBack(o.out);
    EXPECT_EQ(r.At(1, 0), TestValue(good, 1, 0));
    fs::remove_all(dir + "/copies");

    fs::remove(o.out);
    WriteFile(dir + "/only/" + DemZipName(533946, DemKind::Dem5A), MakeZip({{DemXmlName(bad, DemKind::Dem5A), broken}}));
    o.inputs = {dir + "/only"};
    run = Convert(o);
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(o.out));
    EXPECT_EQ(FilesIn(dir), 2u);  // in/ and only/: no temporary files
    o.inputs = {dir + "/nowhere"};
    EXPECT_EQ(Convert(o).status, 1);
    o.inputs = {dir + "/in"};
    o.epsg = 999999;
    EXPECT_EQ(Convert(o).status, 1);
    EXPECT_FALSE(fs::exists(o.out));
    fs::remove_all(dir);
}

// Archives that lie about their members' sizes or name members outside themselves are
// skipped; nothing is written but the output.
TEST(Convert, HostileArchives)
{
    const std::string dir = TempDir("hostile");
    const int32_t good = 53394611;
    const std::string xml = Xml(good, DemKind::Dem5A);
    WriteFile(dir + "/in/sub/lies.zip", MakeZip({{DemXmlName(good, DemKind::Dem5A), xml, true, -1000}}));
    WriteFile(dir + "/in/sub/lies2.zip", MakeZip({{DemXmlName(good, DemKind::Dem5B), xml, true, 1000}}));
    WriteFile(dir + "/in/sub/escape.zip", MakeZip({{"../../" + DemXmlName(good, DemKind::Dem5C), xml}}));
    WriteFile(dir + "/in/sub/notzip.zip", "PK\x03\x04 garbage");
    ConvertOptions o;
    o.inputs = {dir + "/in"};
    o.out = dir + "/out.tif";
    const Outcome run = Convert(o);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("escape.zip"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("notzip.zip"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("lies.zip/"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("lies2.zip/"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(o.out));
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_EQ(FilesIn(dir + "/in"), 1u);
    fs::remove_all(dir);
}

// Another system through GDAL's warper.
TEST(Convert, OtherEpsg)
{
    const std::string dir = TempDir("epsg");
    const int32_t mesh = 53394611;
    WriteFile(dir + "/" + DemXmlName(mesh, DemKind::Dem5A), Xml(mesh, DemKind::Dem5A));
    ConvertOptions o;
    o.inputs = {dir};
    o.out = dir + "/plane.tif";
    o.epsg = 6677;
    ASSERT_EQ(Convert(o).status, 0);
    const Raster r = ReadBack(o.out);
    EXPECT_EQ(r.epsg, "6677");
    EXPECT_GT(r.transform[0], -100000);  // metres of zone IX, not degrees
    EXPECT_GT(r.width, 200);
    fs::remove_all(dir);
}

TEST(GridFor, TheGridIsThatOfTheFinestKindAmongTheFiles)
{
    OutputGrid g = GridFor({DemName{533946, DemKind::Dem10B}}, std::nullopt);
    EXPECT_EQ(g.cellUnits, 10);
    EXPECT_EQ(g.width, 1125);
    EXPECT_EQ(g.west, (139 * 90000 + 6 * 11250) / 10);
    g = GridFor({DemName{533946, DemKind::Dem10B}, DemName{53394799, DemKind::Dem5C}}, std::nullopt);
    EXPECT_EQ(g.cellUnits, 5);
    EXPECT_EQ(g.width, 2250 + 2250);
    EXPECT_EQ(g.height, 1500);
    g = GridFor({DemName{533946, DemKind::Dem10B}, DemName{53394799, DemKind::Dem1A}}, std::nullopt);
    EXPECT_EQ(g.cellUnits, 1);
    EXPECT_EQ(g.width, 11250 + 11250);
    EXPECT_EQ(g.west, 139 * 90000 + 6 * 11250);
    g = GridFor({DemName{533946, DemKind::Dem10B}}, GeoBox{35.7, 139.76, 35.7, 139.76});
    EXPECT_EQ(g.width, 1);
    EXPECT_EQ(g.height, 1);
}

namespace {

// What a test file made from xml holds at cell (x, y), rows from the north: the default
// tuples from the start point on, sea on the diagonal.
float Written(const TestXml& xml, int32_t x, int32_t y)
{
    if (y < xml.startY || (y == xml.startY && x < xml.startX) || x == y)
        return kNoData;
    if (xml.tuples.empty())
        return TestValue(xml.mesh, x, y);
    const size_t i = static_cast<size_t>((y - xml.startY) * xml.width + x - xml.startX);
    if (i >= xml.tuples.size())
        return kNoData;
    const std::string& t = xml.tuples[i];
    return t.rfind("地表面,", 0) == 0 ? std::stof(t.substr(t.find(',') + 1)) : kNoData;
}

struct Placed {
    DemKind kind;
    TestXml xml;
    MeshCells square;
};

// The plain reference for a cell of the 1 m grid (x east, y north, in 1 m cells): the first
// kind in order of precedence whose file has a value in the file cell that holds the cell.
// kind: the kind it came from.
float Expected(const std::vector<Placed>& files, int64_t x, int64_t y, DemKind& kind)
{
    for (DemKind k : kKindsByPrecedence)
        for (const Placed& f : files) {
            const MeshCells& sq = f.square;
            if (f.kind != k || x < sq.x0 || x >= sq.x0 + sq.width || y < sq.y0 || y >= sq.y0 + sq.height)
                continue;
            const int32_t u = CellMeters(k);
            const float v = Written(f.xml, static_cast<int32_t>((x - sq.x0) / u),
                                    static_cast<int32_t>((sq.y0 + sq.height - 1 - y) / u));
            if (v != kNoData) {
                kind = k;
                return v;
            }
        }
    return kNoData;
}

std::string MetadataItem(const std::string& path, const char* key)
{
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    if (!ds)
        return "(no file)";
    const char* v = GDALGetMetadataItem(ds, key, nullptr);
    const std::string s = v ? v : "(none)";
    GDALClose(ds);
    return s;
}

size_t Occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

// Four third-level squares around one corner: 1 m files in two of them (one with its first rows
// empty), 5 m files in three, the 10 m file under all. Every cell of the 1 m raster is the
// reference's, across the squares' edges.
TEST(Convert, OneMeterFilesOnTheOneMeterGridWithFiveAndTenMeterFilesAround)
{
    const std::string dir = TempDir("onemeter");
    std::vector<Placed> files;
    auto add = [&](int32_t mesh, DemKind kind, TestXml xml = {}) {
        xml.mesh = mesh;
        ExpectedGrid(kind, xml.width, xml.height);
        files.push_back({kind, xml, {}});
        ASSERT_TRUE(MeshSquareCells(mesh, files.back().square));
        WriteFile(dir + "/in/" + DemXmlName(mesh, kind, "20250401"), MakeDemXml(xml));
    };
    add(533946, DemKind::Dem10B);
    add(53394611, DemKind::Dem5A);
    add(53394612, DemKind::Dem5A);
    add(53394621, DemKind::Dem5A);
    TestXml late;
    late.startX = 40, late.startY = 3;
    add(53394611, DemKind::Dem1A, late);
    // The south rows of this one without tuples: the 10 m cells show through.
    TestXml shortList;
    shortList.fillTuples = false;
    for (int32_t y = 0; y < 700; ++y)
        for (int32_t x = 0; x < 1125; ++x)
            shortList.tuples.push_back(x == y ? "海水面,-9999." : "地表面," + std::to_string(TestValue(53394622, x, y)));
    add(53394622, DemKind::Dem1A, shortList);

    MeshCells corner;
    ASSERT_TRUE(MeshSquareCells(53394611, corner));
    ConvertOptions o;
    o.inputs = {dir + "/in"};
    o.out = dir + "/one.tif";
    // Exactly the four squares, given in degrees.
    o.bbox = GeoBox{corner.y0 / 90000.0, corner.x0 / 90000.0, (corner.y0 + 1500) / 90000.0, (corner.x0 + 2250) / 90000.0};
    Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    Raster r = ReadBack(o.out);
    ASSERT_EQ(r.width, 2250);
    ASSERT_EQ(r.height, 1500);
    EXPECT_DOUBLE_EQ(r.transform[1], 1.0 / 90000);
    EXPECT_DOUBLE_EQ(r.transform[5], -1.0 / 90000);
    EXPECT_DOUBLE_EQ(r.transform[0], corner.x0 / 90000.0);
    EXPECT_DOUBLE_EQ(r.transform[3], (corner.y0 + 1500) / 90000.0);
    size_t wrong = 0;
    std::map<DemKind, size_t> from;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            DemKind k = DemKind::Dem10B;
            const float want = Expected(files, corner.x0 + x, corner.y0 + 1500 - 1 - y, k);
            if (r.At(x, y) != want && wrong++ < 5)
                ADD_FAILURE() << "cell " << x << "," << y << ": " << r.At(x, y) << " instead of " << want;
            ++from[want == kNoData ? DemKind::Dem10A : k];
        }
    EXPECT_EQ(wrong, 0u);
    // Each kind shows in its own part: 1 m in most of two squares, 5 m in two squares and the
    // empty rows, 10 m where neither has a value.
    EXPECT_GT(from[DemKind::Dem1A], 1500000u);
    EXPECT_GT(from[DemKind::Dem5A], 1600000u);
    EXPECT_GT(from[DemKind::Dem10B], 50000u);
    EXPECT_EQ(from[DemKind::Dem10A], 0u);  // no cell without a value
    EXPECT_EQ(r.At(1124, 1499), TestValue(53394611, 1124, 749));  // 1 m, by the corner
    EXPECT_EQ(r.At(1124, 750), TestValue(53394611, 224, 0));      // 1 m without a value: 5 m
    EXPECT_EQ(r.At(1125, 1499), TestValue(53394612, 0, 149));     // 5 m, across the edge east
    EXPECT_EQ(r.At(1124, 749), TestValue(53394621, 224, 149));    // 5 m, across the edge north
    EXPECT_EQ(r.At(1125, 749), TestValue(533946, 225, 599));      // after the short list: 10 m
    EXPECT_EQ(r.At(1125, 0), TestValue(533946, 225, 525));        // 1 m sea: 10 m

    // Without a box the extent is the rectangle around all the squares, still on 1 m cells;
    // 1m takes only the 1 m files, 5m leaves them out and keeps the 5 m grid.
    o.bbox.reset();
    o.edition = EditionPick::Dem1m;
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    r = ReadBack(o.out);
    ASSERT_EQ(r.width, 2250);
    ASSERT_EQ(r.height, 1500);
    EXPECT_DOUBLE_EQ(r.transform[0], corner.x0 / 90000.0);
    EXPECT_EQ(r.At(1124, 1499), TestValue(53394611, 1124, 749));
    EXPECT_EQ(r.At(1124, 750), kNoData);  // no 5 m file under the 1 m files now
    EXPECT_EQ(r.At(1125, 749), kNoData);
    EXPECT_EQ(r.At(100, 100), kNoData);   // a square without a 1 m file
    o.edition = EditionPick::Dem5m;
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    r = ReadBack(o.out);
    ASSERT_EQ(r.width, 450);
    ASSERT_EQ(r.height, 300);
    EXPECT_DOUBLE_EQ(r.transform[1], 1.0 / 18000);
    EXPECT_EQ(r.At(224, 299), TestValue(53394611, 224, 149));
    fs::remove_all(dir);
}

// The heights' reference goes into the metadata; a raster holding more than one says so once
// on standard error, with counts, and the metadata names the squares of each.
TEST(Convert, HeightReferenceInTheMetadataAndOneWarningForAMix)
{
    const std::string dir = TempDir("heights");
    auto write = [&](const std::string& sub, int32_t mesh, DemKind kind, const std::string& srs) {
        TestXml xml;
        xml.srs = srs;
        WriteFile(dir + "/" + sub + "/" + DemXmlName(mesh, kind), Xml(mesh, kind, xml));
    };
    write("old", 53394611, DemKind::Dem5A, "jgd2011");
    write("new", 53394611, DemKind::Dem5A, "jgd2024");
    write("mix", 53394611, DemKind::Dem5A, "jgd2024");
    write("mix", 53394612, DemKind::Dem5A, "jgd2024");
    write("mix", 533946, DemKind::Dem10B, "jgd2011");
    write("mix", 53394613, DemKind::Dem5B, "jgd2000");
    write("mix", 53394614, DemKind::Dem5B, "jgd2000");
    ConvertOptions o;
    o.out = dir + "/out.tif";

    o.inputs = {dir + "/old"};
    Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE"), "JGD2011");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE_JGD2011"), "(none)");

    o.inputs = {dir + "/new"};
    o.epsg = 6677;  // through the warper as well
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE"), "JGD2024");
    o.epsg = 6668;

    o.inputs = {dir + "/mix"};
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE"), "JGD2000,JGD2011,JGD2024");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE_JGD2024"), "53394611,53394612");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE_JGD2011"), "533946");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE_JGD2000"), "53394613,53394614");
    EXPECT_EQ(Occurrences(run.err, "\n"), 2u) << run.err;
    EXPECT_EQ(Occurrences(run.err, "more than one reference"), 1u) << run.err;
    EXPECT_NE(run.err.find("1 file JGD2011, 2 files JGD2024"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 files labelled JGD2000"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("unshifted"), std::string::npos) << run.err;
    // JGD2000 cells on their squares as any others.
    const Raster r = ReadBack(o.out);
    EXPECT_EQ(r.At(3 * 225 + 7, 1500 - 150 - 150 + 9), TestValue(53394613, 7, 9));

    // A file whose every cell is hidden by finer ones gives the raster no height.
    TestXml land;
    land.srs = "jgd2024";
    land.terrainSeed = 7;  // no sea
    WriteFile(dir + "/hidden/" + DemXmlName(53394611, DemKind::Dem5A), Xml(53394611, DemKind::Dem5A, land));
    WriteFile(dir + "/hidden/" + DemXmlName(533946, DemKind::Dem10B), Xml(533946, DemKind::Dem10B));
    MeshCells sq;
    ASSERT_TRUE(MeshSquareCells(53394611, sq));
    o.inputs = {dir + "/hidden"};
    o.bbox = GeoBox{sq.y0 / 90000.0, sq.x0 / 90000.0, (sq.y0 + sq.height) / 90000.0, (sq.x0 + sq.width) / 90000.0};
    run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(MetadataItem(o.out, "HEIGHT_REFERENCE"), "JGD2024");
    fs::remove_all(dir);
}

// Outputs that cannot be written are refused before any input is looked at.
TEST(Convert, OutputRefusedBeforeAnyWork)
{
    const std::string dir = TempDir("outcheck");
    fs::create_directories(dir + "/folder.tif");
    WriteFile(dir + "/plain", "x");
    ConvertOptions o;
    o.inputs = {dir + "/no such input"};
    auto refused = [&](const std::string& out, const std::string& says) {
        o.out = out;
        const Outcome run = Convert(o);
        EXPECT_EQ(run.status, 1) << out;
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("no such input"), std::string::npos) << run.err;
    };
    refused(dir + "/folder.tif", dir + "/folder.tif is a directory");
    refused(dir, " is a directory");
    refused(dir + "/out.png", "name ending in .tif or .tiff");
    refused(dir + "/out", "name ending in .tif or .tiff");
    refused(dir + "/missing/out.tif", "cannot write " + dir + "/missing/out.tif: No such file or directory");
    refused(dir + "/plain/out.tif", "cannot write");
    refused("/proc/out.tif", "cannot write");
    if (geteuid() != 0) {  // root writes anywhere
        fs::create_directories(dir + "/locked");
        fs::permissions(dir + "/locked", fs::perms::owner_read | fs::perms::owner_exec);
        refused(dir + "/locked/out.tif", "Permission denied");
        fs::permissions(dir + "/locked", fs::perms::owner_all);
    }
    // A good name passes the check, in either case of the extension.
    o.out = dir + "/OUT.TIFF";
    EXPECT_NE(Convert(o).err.find("no such input"), std::string::npos);
    EXPECT_EQ(FilesIn(dir), 2u);  // folder.tif and plain: no probe left behind
    fs::remove_all(dir);
}

// --resolution with a projected system: cells of exactly that size, edges on its multiples.
TEST(Convert, ResolutionInMetres)
{
    const std::string dir = TempDir("resolution");
    WriteFile(dir + "/in/" + DemXmlName(53394611, DemKind::Dem5A), Xml(53394611, DemKind::Dem5A));
    ConvertOptions o;
    o.inputs = {dir + "/in"};
    o.out = dir + "/plane.tif";
    o.epsg = 6677;
    o.resolution = 5;
    Outcome run = Convert(o);
    ASSERT_EQ(run.status, 0) << run.err;
    Raster r = ReadBack(o.out);
    EXPECT_EQ(r.epsg, "6677");
    EXPECT_EQ(r.transform[1], 5.0);
    EXPECT_EQ(r.transform[5], -5.0);
    EXPECT_EQ(std::fmod(r.transform[0], 5.0), 0.0);
    EXPECT_EQ(std::fmod(r.transform[3], 5.0), 0.0);
    // About 1.1 km by 0.93 km.
    EXPECT_NEAR(r.width, 1130 / 5, 12);
    EXPECT_NEAR(r.height, 925 / 5, 12);
    o.resolution = 2.5;
    ASSERT_EQ(Convert(o).status, 0);
    r = ReadBack(o.out);
    EXPECT_EQ(r.transform[1], 2.5);
    EXPECT_NEAR(r.width, 1130 / 2.5, 24);

    // Metres need a system in metres.
    fs::remove(o.out);
    o.epsg = 6668;
    run = Convert(o);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--resolution needs --epsg"), std::string::npos) << run.err;
    o.epsg = 4326;
    EXPECT_EQ(Convert(o).status, 1);
    EXPECT_FALSE(fs::exists(o.out));
    fs::remove_all(dir);
}

// A signal while the blocks are filled or while GDAL lays out the file: the writer stops,
// every temporary file goes, and the file already at the output stays as it was.
TEST(WriteDemRaster, InterruptedAtEitherStageLeavesNothing)
{
    const std::string dir = TempDir("interrupt");
    const std::string out = dir + "/out.tif";
    WriteFile(out, "the old file");
    const OutputGrid grid{5, 139 * 18000, 36 * 18000, 3000, 2000};
    for (const int sig : {SIGINT, SIGTERM}) {
        for (const bool whileFilling : {true, false}) {
            InterruptScope scope;
            int blocks = 0;
            RasterWriting how;
            how.progress = [&](double f) {
                if (!whileFilling && f > 0.2 && !InterruptSignal())
                    std::raise(sig);
            };
            std::string error;
            const bool ok = WriteDemRaster(out, grid, how, [&](int64_t x, int64_t y, int64_t w, int64_t h, float* cells) {
                if (whileFilling && ++blocks == 3)
                    std::raise(sig);
                for (int64_t i = 0; i < w * h; ++i)
                    cells[i] = static_cast<float>((x + i % w) % 700 + y);
                return true;
            }, error);
            EXPECT_FALSE(ok);
            EXPECT_EQ(InterruptSignal(), sig);
            EXPECT_EQ(error, sig == SIGINT ? "stopped by SIGINT" : "stopped by SIGTERM");
            if (whileFilling) {
                EXPECT_EQ(blocks, 3);
            }
            EXPECT_EQ(FilesIn(dir), 1u) << sig << whileFilling;
        }
    }
    std::ifstream f(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "the old file");
    // Outside a scope the signals are the process's own again.
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    fs::remove_all(dir);
}

namespace {

// Starts tesselo-cli with args, its standard error into errPath; returns its pid.
pid_t StartCli(const std::vector<std::string>& args, const std::string& errPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen(errPath.c_str(), "w", stderr);
        std::vector<char*> argv{const_cast<char*>(TESSELO_CLI)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TESSELO_CLI, argv.data());
        _exit(127);
    }
    return pid;
}

bool AnyFileEndingIn(const std::string& dir, const std::string& suffix)
{
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (n.size() >= suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    }
    return false;
}

} // namespace

// Ctrl+C or SIGTERM sent to a real convert while it writes the stage file and while GDAL
// writes the final one: exit status 130 or 143, no temporary file, the old output untouched.
TEST(ConvertCli, SignalsStopTheWorkAndLeaveNothing)
{
    const std::string dir = TempDir("signals");
    // One 1 m file puts the whole 10 m square on the 1 m grid: 84 million cells, time enough.
    WriteFile(dir + "/in/" + DemXmlName(533946, DemKind::Dem10B), Xml(533946, DemKind::Dem10B));
    WriteFile(dir + "/in/" + DemXmlName(53394611, DemKind::Dem1A), Xml(53394611, DemKind::Dem1A));
    const std::string out = dir + "/out/dem.tif";
    WriteFile(out, "the old file");
    struct Case {
        int sig;
        const char* waitFor;  // the temporary file whose appearance starts the signal
        int status;
    };
    for (const Case& c : {Case{SIGINT, ".stage.tif", 130}, Case{SIGTERM, ".part.tif", 143}}) {
        const pid_t pid = StartCli({"convert", dir + "/in", "--out", out, "--quiet"}, dir + "/err.txt");
        ASSERT_GT(pid, 0);
        int status = 0;
        bool exited = false;
        for (int i = 0; i < 12000 && !AnyFileEndingIn(dir + "/out", c.waitFor); ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                break;
            }
            usleep(5000);
        }
        ASSERT_FALSE(exited) << "convert ended before " << c.waitFor << " appeared";
        kill(pid, c.sig);
        // A guard against a hang, not a measure of speed.
        for (int i = 0; i < 6000 && !exited; ++i) {
            exited = waitpid(pid, &status, WNOHANG) == pid;
            if (!exited)
                usleep(10000);
        }
        if (!exited) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "convert did not stop on " << c.sig;
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << c.waitFor;
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_EQ(FilesIn(dir + "/out"), 1u) << c.waitFor;
        std::ifstream f(out);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "the old file");
        std::ifstream e(dir + "/err.txt");
        const std::string err((std::istreambuf_iterator<char>(e)), {});
        EXPECT_NE(err.find(c.sig == SIGINT ? "stopped by SIGINT" : "stopped by SIGTERM"), std::string::npos) << err;
    }
    fs::remove_all(dir);
}
