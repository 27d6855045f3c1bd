// check, convert and elevation take the areas files takes, by the same rules, on folders the
// tests make.
#include "geodata/meshcode.h"
#include "tests/demfiles/demtestfiles.h"
#include "tests/shell.h"

#include <gdal.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun Cli(const std::string& args, const std::string& input = "")
{
    char errName[] = "/tmp/tesselo-demareas-err-XXXXXX";
    close(mkstemp(errName));
    const std::string cmd = "LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen " + std::string(TESSELO_CLI) + " " + args +
                            " 2>" + errName + (input.empty() ? " </dev/null" : " <<'EOF'\n" + input + "EOF\n");
    const ShellOutput o = RunShell(cmd);
    std::ifstream f(errName);
    std::stringstream err;
    err << f.rdbuf();
    unlink(errName);
    return {o.status, o.text, err.str()};
}

std::string Xml(int32_t mesh, DemKind kind)
{
    TestXml spec;
    spec.mesh = mesh;
    ExpectedGrid(kind, spec.width, spec.height);
    return MakeDemXml(spec);
}

std::vector<std::string> Lines(const std::string& s)
{
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

// "S,W,N,E" of a square, each number with that many significant digits.
std::string RectBox(int32_t code, int digits)
{
    GeoRect r;
    EXPECT_TRUE(MeshCodeToRect(code, r));
    char text[160];
    std::snprintf(text, sizeof text, "%.*g,%.*g,%.*g,%.*g", digits, r.south, digits, r.west, digits, r.north, digits,
                  r.east);
    return text;
}

// The output's size in cells and its west and north edges.
struct Extent {
    int width = 0, height = 0;
    double west = 0, north = 0;
};
Extent ReadExtent(const std::string& path)
{
    GDALAllRegister();
    Extent e;
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    if (!ds)
        return e;
    double t[6];
    GDALGetGeoTransform(ds, t);
    e = Extent{GDALGetRasterXSize(ds), GDALGetRasterYSize(ds), t[0], t[3]};
    GDALClose(ds);
    return e;
}

// A folder with the 10 m file of 533945 and of its eight neighbours, and 5 m files of 53394500
// and of the squares around it.
struct DemAreas : testing::Test {
    static std::string dir;
    static void SetUpTestSuite()
    {
        dir = TempDir("demareas");
        for (int32_t row = 3; row <= 5; ++row)
            for (int32_t col = 4; col <= 6; ++col) {
                const int32_t ten = 533900 + row * 10 + col;
                WriteFile(dir + "/dl/" + DemXmlName(ten, DemKind::Dem10B), Xml(ten, DemKind::Dem10B));
            }
        for (const int32_t five : {53394500, 53394501, 53394510, 53394511, 53393590, 53394499})
            WriteFile(dir + "/dl/" + DemXmlName(five, DemKind::Dem5A), Xml(five, DemKind::Dem5A));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir); }
};
std::string DemAreas::dir;

} // namespace

TEST_F(DemAreas, CheckOfASquaresOwnRectangleFindsItCompleteWithoutItsNeighbours)
{
    for (const int digits : {15, 17}) {
        const CliRun r = Cli("check " + dir + "/dl --edition 10m --format csv --bbox " + RectBox(533945, digits));
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 2u) << r.out;
        EXPECT_EQ(lines[1].rfind("present,10m,FG-GML-5339-45-DEM10B.zip,", 0), 0u) << lines[1];
        // The 5 m square 53394500 the same way: it and its 10 m parent, no unlisted neighbour.
        const CliRun five = Cli("check " + dir + "/dl --format csv --bbox " + RectBox(53394500, digits));
        EXPECT_EQ(five.status, 0) << five.out << five.err;
        EXPECT_EQ(Lines(five.out).size(), 3u) << five.out;
        EXPECT_EQ(five.out.find("unlisted"), std::string::npos) << five.out;
    }
}

TEST_F(DemAreas, ConvertOfASquaresOwnRectangleReadsThatSquareAlone)
{
    const std::string out = dir + "/one.tif";
    for (const int digits : {15, 17}) {
        std::filesystem::remove(out);
        const CliRun r = Cli("convert " + dir + "/dl --quiet --edition 10m --out " + out + " --bbox " +
                          RectBox(533945, digits));
        ASSERT_EQ(r.status, 0) << r.err;
        const Extent e = ReadExtent(out);
        EXPECT_EQ(e.width, 1125);
        EXPECT_EQ(e.height, 750);
    }
    // A box of no height along the square's south edge: the squares north of it, as --at has
    // it; the extent is the rectangle around them.
    std::filesystem::remove(out);
    GeoRect sq;
    ASSERT_TRUE(MeshCodeToRect(533945, sq));
    char line[120];
    std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g,%.17g", sq.south, sq.west + 0.01, sq.south, sq.east - 0.01);
    const CliRun flat = Cli("convert " + dir + "/dl --quiet --edition 10m --out " + out + " --bbox " + line);
    ASSERT_EQ(flat.status, 0) << flat.err;
    const Extent e = ReadExtent(out);
    EXPECT_EQ(e.width, 1125);
    EXPECT_EQ(e.height, 750);
    EXPECT_NEAR(e.north, sq.north, 1e-9);
    EXPECT_NEAR(e.west, sq.west, 1e-9);
}

TEST_F(DemAreas, ConvertDoesNotReadASquareTheBoxReachesLessThanATenthOfAMillimetreInto)
{
    // The square north of 533945 damaged: a box reaching 0.05 mm into it leaves it unread.
    const std::string d = TempDir("demareas-edge");
    WriteFile(d + "/" + DemXmlName(533945, DemKind::Dem10B), Xml(533945, DemKind::Dem10B));
    WriteFile(d + "/" + DemXmlName(533955, DemKind::Dem10B), "<broken");
    GeoRect sq;
    ASSERT_TRUE(MeshCodeToRect(533945, sq));
    char box[160];
    std::snprintf(box, sizeof box, "%.17g,%.17g,%.17g,%.17g", sq.south, sq.west, sq.north + 0.5e-9, sq.east);
    const CliRun r = Cli("convert " + d + " --quiet --out " + d + "/o.tif --bbox " + box);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("533955"), std::string::npos) << r.err;
    std::snprintf(box, sizeof box, "%.17g,%.17g,%.17g,%.17g", sq.south, sq.west, sq.north + 1e-6, sq.east);
    EXPECT_EQ(Cli("convert " + d + " --quiet --out " + d + "/p.tif --bbox " + box).status, 2);
    std::filesystem::remove_all(d);
}

TEST_F(DemAreas, ConvertTakesTheRectangleAroundTheSquaresOfAMeshCodeOrPoint)
{
    const std::string out = dir + "/mesh.tif";
    GeoRect sq;
    ASSERT_TRUE(MeshCodeToRect(53394511, sq));
    const CliRun r = Cli("convert " + dir + "/dl --quiet --edition 5m --out " + out + " --mesh 53394511");
    ASSERT_EQ(r.status, 0) << r.err;
    Extent e = ReadExtent(out);
    EXPECT_EQ(e.width, 225);
    EXPECT_EQ(e.height, 150);
    EXPECT_NEAR(e.west, sq.west, 1e-9);
    EXPECT_NEAR(e.north, sq.north, 1e-9);
    // A point: the 10 m square that holds it, with its 5 m files.
    std::filesystem::remove(out);
    const CliRun at = Cli("convert " + dir + "/dl --quiet --out " + out + " --at 35.67,139.63");
    ASSERT_EQ(at.status, 0) << at.err;
    e = ReadExtent(out);
    ASSERT_TRUE(MeshCodeToRect(533945, sq));
    EXPECT_EQ(e.width, 1125 * 2);
    EXPECT_EQ(e.height, 750 * 2);
    EXPECT_NEAR(e.west, sq.west, 1e-9);
    // A municipality and a prefecture by the names people write.
    for (const char* area : {"--municipality 東京都千代田区", "--municipality ' 千代田区　'", "--prefecture 東京 --mesh 533945"}) {
        std::filesystem::remove(out);
        const CliRun named = Cli("convert " + dir + "/dl --quiet --edition 10m --out " + out + " " + area);
        if (std::string(area).find("--mesh") != std::string::npos) {
            EXPECT_EQ(named.status, 1) << area;  // one area at a time
            continue;
        }
        EXPECT_EQ(named.status, 0) << area << named.err;
        EXPECT_GT(ReadExtent(out).width, 0) << area;
    }
    // An area none of the inputs lies in: nothing to convert there, and no file.
    std::filesystem::remove(out);
    const CliRun none = Cli("convert " + dir + "/dl --quiet --out " + out + " --municipality 箱根町");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no DEM file to convert in the area"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(DemAreas, CheckTakesPrefecturesAndMunicipalitiesByTheNamesPeopleWrite)
{
    const CliRun written = Cli("check " + dir + "/dl --edition 10m --format csv --municipality 東京都千代田区");
    const CliRun given = Cli("check " + dir + "/dl --edition 10m --format csv --municipality 千代田区 --prefecture 13");
    EXPECT_EQ(written.status, given.status);
    EXPECT_EQ(written.out, given.out);
    EXPECT_NE(written.out.find("FG-GML-5339-45-DEM10B.zip"), std::string::npos) << written.out;
    const CliRun shortName = Cli("check " + dir + "/dl --edition 10m --format csv --prefecture 東京");
    EXPECT_EQ(shortName.out, Cli("check " + dir + "/dl --edition 10m --format csv --prefecture 東京都").out);
    EXPECT_NE(shortName.out.find("present,10m,FG-GML-5339-45-DEM10B.zip"), std::string::npos);
    const CliRun misspelt = Cli("check " + dir + "/dl --municipality 東京都千代田く");
    EXPECT_EQ(misspelt.status, 1);
    EXPECT_NE(misspelt.err.find("nearest names:\n  千代田区 (東京都)\n"), std::string::npos) << misspelt.err;
}

TEST_F(DemAreas, ElevationReadsPointsInEveryFormAndItsOwnAnswers)
{
    const std::string d = dir + "/dl";
    const CliRun comma = Cli("elevation " + d + " 35.67,139.63");
    ASSERT_EQ(comma.status, 0) << comma.err;
    ASSERT_EQ(Lines(comma.out).size(), 1u);
    EXPECT_NE(comma.out.find("\t5m\t"), std::string::npos) << comma.out;
    EXPECT_EQ(Cli("elevation " + d + " '35.67 139.63'").out, comma.out);
    EXPECT_EQ(Cli("elevation " + d + " \"$(printf '35.67\\t139.63')\"").out, comma.out);
    // From standard input, its own answer lines among the others, and a line with nan.
    const CliRun in = Cli("elevation " + d, "35.67 139.63\n" + comma.out + "35.67\t139.63\r\n 35.67 ,139.63\n20.5,122.5\n");
    EXPECT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(in.out, comma.out + comma.out + comma.out + comma.out + "20.5\t122.5\tnan\t\t\n");
    const CliRun again = Cli("elevation " + d, in.out);
    EXPECT_EQ(again.out, in.out);
    for (const char* bad : {"'35.67 139.63 12'", "35.67", "'35.67;139.63'", "'35.67  x'"})
        EXPECT_EQ(Cli("elevation " + d + " " + bad).status, 1) << bad;
}

TEST_F(DemAreas, ElevationReadsOnlyTheFilesOfTheArea)
{
    const std::string d = dir + "/dl";
    // The 5 m file answers inside its square; an area without it leaves the 10 m file.
    const CliRun all = Cli("elevation " + d + " 35.67,139.63");
    const CliRun tenOnly = Cli("elevation " + d + " --mesh 533946 35.67,139.63");
    EXPECT_EQ(tenOnly.status, 0);
    EXPECT_EQ(tenOnly.out, "35.67\t139.63\tnan\t\t\n");
    EXPECT_EQ(Cli("elevation " + d + " --mesh 53394500 35.67,139.63").out, all.out);
    // --at alone asks for its point.
    EXPECT_EQ(Cli("elevation " + d + " --at 35.67,139.63").out, all.out);
    EXPECT_EQ(Cli("elevation " + d + " --prefecture 東京 35.67,139.63").out, all.out);
    EXPECT_EQ(Cli("elevation " + d + " --municipality 箱根町 35.67,139.63").out, "35.67\t139.63\tnan\t\t\n");
    EXPECT_EQ(Cli("elevation " + d + " --prefecture 東 35.67,139.63").status, 1);
}
