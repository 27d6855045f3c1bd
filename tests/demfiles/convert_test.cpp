#include "demfiles/convert.h"
#include "tests/demfiles/demtestfiles.h"

#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

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
