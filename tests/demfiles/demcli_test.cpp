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
    EXPECT_EQ(lines[0], "status,edition,zip,xml,mesh,path");
    EXPECT_EQ(lines[1], "present,10m,FG-GML-5339-45-DEM10B.zip,FG-GML-5339-45-dem10b-20161001.xml,533945," + dir +
                            "/dl/bundle.zip/FG-GML-5339-45-DEM10B.zip/FG-GML-5339-45-dem10b-20230101.xml");
    EXPECT_EQ(Count(lines, "present,5m,"), 5u);
    EXPECT_EQ(Count(lines, "damaged,5m,"), 2u);
    EXPECT_EQ(Count(lines, "missing,5m,"), 93u);
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
    EXPECT_EQ(Cli("check " + dir + "/dl").status, 1);
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
