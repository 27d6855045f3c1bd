// tesselo-cli check and elevation as users run them, on folders the tests make.
#include "tests/demfiles/demtestfiles.h"
#include "tests/shell.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

namespace {

struct Result {
    int status = -1;
    std::string out;
};

Result Cli(const std::string& args, const std::string& input = "")
{
    const std::string cmd = "LC_ALL=de_DE.UTF-8 " + std::string(TESSELO_CLI) + " " + args + " 2>/dev/null" +
                            (input.empty() ? " </dev/null" : " <<'EOF'\n" + input + "EOF\n");
    const ShellOutput o = RunShell(cmd);
    return {o.status, o.text};
}

// What the command writes to standard error.
Result CliErr(const std::string& args)
{
    const ShellOutput o = RunShell(std::string(TESSELO_CLI) + " " + args + " 2>&1 >/dev/null </dev/null");
    return {o.status, o.text};
}

std::string Xml(int32_t mesh, DemKind kind, TestXml spec = {})
{
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

size_t Count(const std::vector<std::string>& lines, const std::string& prefix)
{
    size_t n = 0;
    for (const std::string& l : lines)
        n += l.rfind(prefix, 0) == 0;
    return n;
}

} // namespace

// The catalogue lists for 533945 one 10 m file and one hundred 5 m files (DEM5A).
TEST(CheckCli, PresentMissingDamagedUnlisted)
{
    const std::string dir = TempDir("check");
    // The 10 m archive inside a bundle, with another date than the catalogue's.
    const std::string ten = MakeZip({{DemXmlName(533945, DemKind::Dem10B, "20230101"), Xml(533945, DemKind::Dem10B)}});
    WriteFile(dir + "/dl/bundle.zip", MakeZip({{DemZipName(533945, DemKind::Dem10B), ten, false}}));
    std::vector<ZipMember> five;
    for (int32_t m = 53394500; m < 53394505; ++m)
        five.push_back({DemXmlName(m, DemKind::Dem5A, "20190101"), Xml(m, DemKind::Dem5A)});
    five.push_back({DemXmlName(53394505, DemKind::Dem5A), "<broken"});
    five.push_back({DemXmlName(53394506, DemKind::Dem5A), Xml(53394507, DemKind::Dem5A)});  // wrong mesh
    five.push_back({DemXmlName(53394500, DemKind::Dem5B), Xml(53394500, DemKind::Dem5A)});  // not listed
    WriteFile(dir + "/dl/5m/" + DemZipName(533945, DemKind::Dem5A), MakeZip(five));
    WriteFile(dir + "/dl/junk/notes.xml", "<notes/>");

    Result r = Cli("check " + dir + "/dl --mesh 533945 --format csv");
    EXPECT_EQ(r.status, 2);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "status,edition,zip,xml,mesh,path,copies");
    EXPECT_EQ(lines[1], "present,10m,FG-GML-5339-45-DEM10B.zip,FG-GML-5339-45-dem10b-20161001.xml,533945," + dir +
                            "/dl/bundle.zip/FG-GML-5339-45-DEM10B.zip/FG-GML-5339-45-dem10b-20230101.xml,1");
    EXPECT_EQ(Count(lines, "present,5m,"), 5u);
    EXPECT_EQ(Count(lines, "damaged,5m,"), 2u);
    EXPECT_EQ(Count(lines, "unconfirmed,5m,"), 93u);  // the 5 m list is an estimate
    EXPECT_EQ(Count(lines, "unlisted,5m,FG-GML-5339-45-DEM5A.zip,FG-GML-5339-45-00-DEM5B-20161001.xml,53394500,"), 1u);
    EXPECT_EQ(lines.size(), 1u + 1 + 5 + 2 + 93 + 1);

    // A smaller area that is complete: status 0, also with --name=value options.
    r = Cli("check " + dir + "/dl --mesh=53394503 --format=json");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"status\": \"present\", \"edition\": \"5m\""), std::string::npos) << r.out;
    EXPECT_EQ(Count(Lines(r.out), "  {\"status\": \"present\""), 2u) << r.out;
    // 5 m only, a point: the one file there.
    r = Cli("check " + dir + "/dl --edition 5m --at 35.67,139.63");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("present   5m   FG-GML-5339-45-DEM5A.zip   FG-GML-5339-45-00-DEM5A-20161001.xml", 0), 0u)
        << r.out;

    // A damaged archive makes its files damaged, not missing.
    WriteFile(dir + "/dl2/" + DemZipName(533945, DemKind::Dem5A), "PK\x03\x04 not really");
    r = Cli("check " + dir + "/dl2 --mesh 53394503 --format csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Count(Lines(r.out), "damaged,5m,"), 1u) << r.out;
    EXPECT_EQ(Count(Lines(r.out), "missing,10m,"), 1u) << r.out;

    EXPECT_EQ(Cli("check " + dir + "/nowhere --mesh 533945").status, 1);
    // Without an area: what the folder holds; damaged files make the status 2.
    r = Cli("check " + dir + "/dl --format csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Count(Lines(r.out), "present,DEM5A,5m,"), 5u) << r.out;
    EXPECT_EQ(Count(Lines(r.out), "damaged,DEM5A,5m,"), 2u) << r.out;
    EXPECT_EQ(Count(Lines(r.out), "present,DEM10B,10m,533945,2023-01-01,JGD2011,"), 1u) << r.out;
    EXPECT_EQ(Cli("check " + dir + "/dl/bundle.zip").status, 0);
    EXPECT_EQ(Cli("check " + dir + "/dl --mesh 5339").status, 1);
    EXPECT_EQ(Cli("check " + dir + "/dl --mesh 533945 --format xml").status, 1);
    std::filesystem::remove_all(dir);
}

TEST(ElevationCli, CellCentresFromTheFinestFile)
{
    const std::string dir = TempDir("elevation");
    const int32_t five = 53394611, ten = 533946;
    WriteFile(dir + "/" + DemZipName(ten, DemKind::Dem5A),
              MakeZip({{DemXmlName(five, DemKind::Dem5A), Xml(five, DemKind::Dem5A)}}));
    WriteFile(dir + "/x/" + DemXmlName(ten, DemKind::Dem10B), Xml(ten, DemKind::Dem10B));
    // A damaged copy found first: the readable one answers.
    WriteFile(dir + "/0/" + DemXmlName(five, DemKind::Dem5A), "<broken");
    MeshCells sq;
    ASSERT_TRUE(MeshSquareCells(five, sq));
    sq = MeshCells{sq.x0 / 5, sq.y0 / 5, sq.width / 5, sq.height / 5};  // in 5 m cells
    auto centre = [&](int32_t x, int32_t y) {
        char p[96];
        std::snprintf(p, sizeof p, "%.10f,%.10f", (sq.y0 + sq.height - y - 0.5) / 18000.0, (sq.x0 + x + 0.5) / 18000.0);
        return std::string(p);
    };
    auto fields = [](const std::string& point, const std::string& rest) {
        return point.substr(0, point.find(',')) + "\t" + point.substr(point.find(',') + 1) + "\t" + rest;
    };
    char v[32];
    std::snprintf(v, sizeof v, "%.2f", static_cast<double>(TestValue(five, 3, 7)));
    const std::string name5 = DemXmlName(five, DemKind::Dem5A), name10 = DemXmlName(ten, DemKind::Dem10B);
    Result r = Cli("elevation " + dir + " " + centre(3, 7) + " " + centre(8, 8) + " 10,130");
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], fields(centre(3, 7), std::string(v) + "\t5m\t" + name5));
    // (8, 8) is sea in the 5 m file: the 10 m cell under it. 53394611 starts 225 cells east of
    // 533946's west edge and 1200 below its north edge.
    char w[32];
    std::snprintf(w, sizeof w, "%.2f", static_cast<double>(TestValue(ten, (225 + 8) / 2, (1200 + 8) / 2)));
    EXPECT_EQ(lines[1], fields(centre(8, 8), std::string(w) + "\t10m\t" + name10));
    EXPECT_EQ(lines[2], "10\t130\tnan\t\t");

    // Points from standard input; bilinear at a centre is the cell, halfway the mean.
    r = Cli("elevation --bilinear " + dir, centre(3, 7) + "\n");
    EXPECT_EQ(r.out, lines[0] + "\n");
    char half[96];
    std::snprintf(half, sizeof half, "%.10f,%.10f", (sq.y0 + sq.height - 7 - 0.5) / 18000.0, (sq.x0 + 4.0) / 18000.0);
    std::snprintf(v, sizeof v, "%.2f", (TestValue(five, 3, 7) + TestValue(five, 4, 7)) / 2.0);
    r = Cli("elevation " + dir + " --bilinear", std::string(half) + "\n");
    EXPECT_EQ(r.out, fields(half, std::string(v) + "\t5m\t" + name5 + "\n"));

    EXPECT_EQ(Cli("elevation " + dir + " 35.6").status, 1);
    EXPECT_EQ(Cli("elevation " + dir + "/nowhere 35.6,139.7").status, 1);
    std::filesystem::remove_all(dir);
}

// A half-downloaded regional package inside a folder, and a half-downloaded archive whose
// name gives its square: each named once on standard error, its listed files damaged.
TEST(CheckCli, AnIncompleteArchiveIsNamedOnce)
{
    const std::string dir = TempDir("incomplete");
    std::vector<ZipMember> five;
    for (int32_t m = 53394500; m < 53394600; ++m)
        five.push_back({DemXmlName(m, DemKind::Dem5A), "x"});
    const std::string zip = MakeZip(five);
    WriteFile(dir + "/" + DatedZipName(533945, DemKind::Dem5A, "20250731"), zip.substr(0, zip.size() / 2));
    const Result err = CliErr("check " + dir + " --mesh 533945");
    EXPECT_EQ(err.status, 2);
    const std::vector<std::string> lines = Lines(err.out);
    EXPECT_EQ(Count(lines, dir + "/FG-GML-533945-DEM5A-20250731.zip: not a readable ZIP archive (incomplete download?)"),
              1u)
        << err.out;
    EXPECT_EQ(lines.size(), 2u) << err.out;  // and the totals
    const Result out = Cli("check " + dir + " --mesh 533945 --format csv");
    EXPECT_EQ(Count(Lines(out.out), "damaged,5m,"), 100u) << out.out;
    std::filesystem::remove_all(dir);
}

// 1A before 5A before 5B before 5C before 10 m: each kind answers where the finer ones have
// no value. A fault in that order changes an answer here.
TEST(ElevationCli, OnePrecedenceOfKinds)
{
    const std::string dir = TempDir("precedence");
    const int32_t m = 53394611;
    // Each kind with its own values; 1A has values only in its first rows, 5A only in the
    // first 100 rows, 5B in the first 120, 5C everywhere.
    TestXml a, b, c, one;
    a.offset = 1000, b.offset = 2000, c.offset = 3000, one.offset = 4000;
    a.fillTuples = b.fillTuples = one.fillTuples = false;
    for (int32_t i = 0; i < 225 * 100; ++i)
        a.tuples.push_back("地表面," + std::to_string(1000 + i % 225) + ".00");
    for (int32_t i = 0; i < 225 * 120; ++i)
        b.tuples.push_back("地表面," + std::to_string(2000 + i % 225) + ".00");
    for (int32_t i = 0; i < 1125 * 5; ++i)
        one.tuples.push_back("地表面," + std::to_string(4000 + i % 1125) + ".00");
    WriteFile(dir + "/" + DemXmlName(m, DemKind::Dem5C), Xml(m, DemKind::Dem5C, c));
    WriteFile(dir + "/" + DemXmlName(m, DemKind::Dem5B), Xml(m, DemKind::Dem5B, b));
    WriteFile(dir + "/" + DemXmlName(m, DemKind::Dem5A), Xml(m, DemKind::Dem5A, a));
    WriteFile(dir + "/" + DemXmlName(m, DemKind::Dem1A, "20250401"), Xml(m, DemKind::Dem1A, one));
    MeshCells sq;
    ASSERT_TRUE(MeshSquareCells(m, sq));
    // The centre of 5 m cell (x, y) of the square, counted from its north-west corner.
    auto at = [&](int32_t x, int32_t y) {
        char p[96];
        std::snprintf(p, sizeof p, "%.10f,%.10f", (sq.y0 + sq.height - 5 * y - 2.5) / 90000.0,
                      (sq.x0 + 5 * x + 2.5) / 90000.0);
        return std::string(p);
    };
    const Result r = Cli("elevation " + dir + " " + at(3, 0) + " " + at(3, 50) + " " + at(3, 110) + " " + at(3, 130));
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_NE(lines[0].find("\t4017.00\t1m\t"), std::string::npos) << lines[0];  // 1 m cell (17, 2)
    EXPECT_NE(lines[1].find("\t1003.00\t5m\t" + DemXmlName(m, DemKind::Dem5A)), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("\t2003.00\t5m\t" + DemXmlName(m, DemKind::Dem5B)), std::string::npos) << lines[2];
    char v[32];
    std::snprintf(v, sizeof v, "\t%.2f\t5m\t", TestValue(m, 3, 130) + 3000.0);
    EXPECT_NE(lines[3].find(v + DemXmlName(m, DemKind::Dem5C)), std::string::npos) << lines[3];
    std::filesystem::remove_all(dir);
}

// At the edge of a 5 m square with no 5 m file beside it, --bilinear answers from the cell
// itself, not from the coarser edition.
TEST(ElevationCli, BilinearAtTheEdgeOfItsEdition)
{
    const std::string dir = TempDir("edge");
    const int32_t m = 53394611, ten = 533946;
    WriteFile(dir + "/" + DemXmlName(m, DemKind::Dem5A), Xml(m, DemKind::Dem5A));
    WriteFile(dir + "/" + DemXmlName(ten, DemKind::Dem10B), Xml(ten, DemKind::Dem10B));
    MeshCells sq;
    ASSERT_TRUE(MeshSquareCells(m, sq));
    // Three quarters across the easternmost cell of row 7: its east neighbour is not 5 m.
    char p[96];
    std::snprintf(p, sizeof p, "%.10f,%.10f", (sq.y0 + sq.height - 5 * 7 - 2.5) / 90000.0,
                  (sq.x0 + sq.width - 1.25) / 90000.0);
    const Result r = Cli("elevation --bilinear " + dir + " " + p);
    char v[32];
    std::snprintf(v, sizeof v, "\t%.2f\t5m\t", static_cast<double>(TestValue(m, 224, 7)));
    EXPECT_NE(r.out.find(v + DemXmlName(m, DemKind::Dem5A)), std::string::npos) << r.out;
    std::filesystem::remove_all(dir);
}

// Two editions of one file: the newer answers whatever the path order, and the other is named.
TEST(ElevationCli, TheNewestEditionOfCopiesAnswers)
{
    const std::string dir = TempDir("newest");
    const int32_t m = 53394611;
    TestXml older, newer;
    older.offset = 100, newer.offset = 200;
    WriteFile(dir + "/a/" + DatedZipName(533946, DemKind::Dem5A, "20250731"),
              MakeZip({{DemXmlName(m, DemKind::Dem5A, "20250731"), Xml(m, DemKind::Dem5A, newer)}}));
    WriteFile(dir + "/0/" + DemXmlName(m, DemKind::Dem5A, "20090401"), Xml(m, DemKind::Dem5A, older));
    MeshCells sq;
    ASSERT_TRUE(MeshSquareCells(m, sq));
    char p[96];
    std::snprintf(p, sizeof p, "%.10f,%.10f", (sq.y0 + sq.height - 5 * 7 - 2.5) / 90000.0, (sq.x0 + 5 * 3 + 2.5) / 90000.0);
    char v[32];
    std::snprintf(v, sizeof v, "\t%.2f\t5m\t", TestValue(m, 3, 7) + 200.0);
    EXPECT_NE(Cli("elevation " + dir + " " + p).out.find(v), std::string::npos);
    const Result err = CliErr("elevation " + dir + " " + p);
    EXPECT_EQ(err.out, "tesselo-cli: elevation: " + dir + "/0/" + DemXmlName(m, DemKind::Dem5A, "20090401") +
                           ": not used: an older edition (2009-04-01) than " + dir + "/a/" +
                           DatedZipName(533946, DemKind::Dem5A, "20250731") + "/" +
                           DemXmlName(m, DemKind::Dem5A, "20250731") + " (2025-07-31)\n");
    std::filesystem::remove_all(dir);
}

TEST(ElevationCli, AFolderWithoutDemFilesIsAnError)
{
    const std::string dir = TempDir("empty");
    WriteFile(dir + "/notes.xml", "<notes/>");
    const Result r = CliErr("elevation " + dir + " 35.6,139.7");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("no DEM file"), std::string::npos) << r.out;
    std::filesystem::remove_all(dir);
}
