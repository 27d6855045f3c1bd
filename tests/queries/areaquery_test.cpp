#include "queries/areaquery.h"

#include "geodata/geodata.h"
#include "geodata/meshcode.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace {

// A hand-made catalogue: names built from codes, kept alive for the entries' pointers.
struct AreaQueryTest : testing::Test {
    std::vector<std::string> names;
    void SetUp() override
    {
        ClearGeodata();
        LoadPrefectures();
    }
    void TearDown() override { ClearGeodata(); }
    const char* Keep(std::string s)
    {
        names.push_back(std::move(s));
        return names.back().c_str();
    }
    void Add10(int prefecture, MeshCode code)
    {
        const std::string c = std::to_string(code);
        const std::string mesh = c.substr(0, 4) + "-" + c.substr(4, 2);
        g_dem10Files.push_back(DemFileEntry{prefecture, PooledString(Keep("FG-GML-" + mesh + "-dem10b-20161001.xml")),
                                            PooledString(Keep("FG-GML-" + mesh + "-DEM10B.zip"))});
    }
    void Add5(int prefecture, MeshCode code)
    {
        const std::string c = std::to_string(code);
        const std::string mesh = c.substr(0, 4) + "-" + c.substr(4, 2);
        g_dem5Files.push_back(DemFileEntry{prefecture,
                                           PooledString(Keep("FG-GML-" + mesh + "-" + c.substr(6, 2) + "-DEM5A-20161001.xml")),
                                           PooledString(Keep("FG-GML-" + mesh + "-DEM5A.zip"))});
    }
    static std::vector<MeshCode> Codes(const std::vector<AreaFile>& files)
    {
        std::vector<MeshCode> codes;
        for (const AreaFile& f : files)
            codes.push_back(f.mesh);
        return codes;
    }
};

AreaQuery Box(double s, double w, double n, double e)
{
    AreaQuery q;
    std::string error;
    EXPECT_TRUE(ParseBoxQuery(std::to_string(s) + "," + std::to_string(w) + "," + std::to_string(n) + "," +
                                  std::to_string(e),
                              q, error))
        << error;
    q.box = GeoRect{s, w, n, e};  // the exact doubles, not their printed form
    return q;
}

} // namespace

TEST_F(AreaQueryTest, ABoxTakesTheSquaresWhoseInsideItOverlapsNotThoseItOnlyTouches)
{
    for (MeshCode row = 3; row <= 6; ++row)
        for (MeshCode col = 3; col <= 7; ++col)
            Add10(12, 533900 + row * 10 + col);
    GeoRect sq;
    ASSERT_TRUE(MeshCodeToRect(533945, sq));
    // Exactly the square: it alone, not the eight around it whose edges it touches.
    EXPECT_EQ(Codes(FindAreaFiles(Box(sq.south, sq.west, sq.north, sq.east), EditionChoice::Both)),
              (std::vector<MeshCode>{533945}));
    // The boundary's value as a person types it: 35.75 is the north edge of row 4 and the south
    // edge of row 5, although the doubles of the two differ in their last bits.
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.6667, 139.625, 35.75, 139.75), EditionChoice::Both)),
              (std::vector<MeshCode>{533945}));
    // A box 100 m past a square's edge takes the square beyond; a tenth of a millimetre past does not.
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7, 139.7, sq.north + 0.0009, 139.7001), EditionChoice::Both)),
              (std::vector<MeshCode>{533945, 533955}));
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7, 139.7, sq.north + 0.5e-9, 139.7001), EditionChoice::Both)),
              (std::vector<MeshCode>{533945}));
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7, sq.west - 0.0009, 35.7001, 139.7), EditionChoice::Both)),
              (std::vector<MeshCode>{533944, 533945}));
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7, sq.west - 0.5e-9, 35.7001, 139.7), EditionChoice::Both)),
              (std::vector<MeshCode>{533945}));
}

TEST_F(AreaQueryTest, ABoxWithoutHeightOrWidthTakesTheSquaresThatHoldItAsAPoint)
{
    for (MeshCode row = 3; row <= 6; ++row)
        for (MeshCode col = 3; col <= 7; ++col)
            Add10(12, 533900 + row * 10 + col);
    // A point on a corner of four squares: the north-east one, as --at has it.
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.75, 139.75, 35.75, 139.75), EditionChoice::Both)),
              (std::vector<MeshCode>{533956}));
    // A line along row 5's south edge takes row 5 alone; its ends on column edges take no
    // column beyond them.
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.75, 139.625, 35.75, 139.875), EditionChoice::Both)),
              (std::vector<MeshCode>{533955, 533956}));
    // A line down column 6's west edge; a line inside a square.
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7, 139.75, 35.8, 139.75), EditionChoice::Both)),
              (std::vector<MeshCode>{533946, 533956}));
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7, 139.7, 35.7, 139.72), EditionChoice::Both)),
              (std::vector<MeshCode>{533945}));
    // Just short of an edge is on it, as for a point.
    EXPECT_EQ(Codes(FindAreaFiles(Box(35.7499999995, 139.7, 35.7499999995, 139.72), EditionChoice::Both)),
              (std::vector<MeshCode>{533955}));
}

TEST_F(AreaQueryTest, ASquaresOwnRectanglePrintedAndReadBackTakesThatSquareAlone)
{
    for (MeshCode row = 3; row <= 6; ++row)
        for (MeshCode col = 3; col <= 7; ++col) {
            Add10(12, 533900 + row * 10 + col);
            for (MeshCode fine : {0, 9, 44, 45, 54, 90, 99})
                Add5(12, (533900 + row * 10 + col) * 100 + fine);
        }
    for (const MeshCode code : {533945, 533956, 53394544, 53394500, 53394599, 53395690}) {
        GeoRect r;
        ASSERT_TRUE(MeshCodeToRect(code, r));
        const EditionChoice edition = code >= 10000000 ? EditionChoice::Dem5m : EditionChoice::Dem10m;
        for (const int digits : {15, 16, 17}) {
            char text[160];
            std::snprintf(text, sizeof text, "%.*g,%.*g,%.*g,%.*g", digits, r.south, digits, r.west, digits, r.north,
                          digits, r.east);
            AreaQuery q;
            std::string error;
            ASSERT_TRUE(ParseBoxQuery(text, q, error)) << error;
            EXPECT_EQ(Codes(FindAreaFiles(q, edition)), std::vector<MeshCode>{code}) << text;
        }
    }
}

TEST_F(AreaQueryTest, TheRectangleAroundFilesCoversTheirSquares)
{
    Add10(12, 533945);
    Add5(12, 53394699);
    Add5(12, 53395600);
    AreaQuery q;
    std::string error;
    ASSERT_TRUE(ParseBoxQuery("35.6,139.6,35.8,139.9", q, error));
    const std::optional<GeoRect> r = RectangleAround(FindAreaFiles(q, EditionChoice::Both));
    ASSERT_TRUE(r);
    GeoRect sw, n, e;
    ASSERT_TRUE(MeshCodeToRect(533945, sw));
    ASSERT_TRUE(MeshCodeToRect(53395600, n));
    ASSERT_TRUE(MeshCodeToRect(53394699, e));
    EXPECT_EQ(*r, (GeoRect{sw.south, sw.west, n.north, e.east}));
    EXPECT_FALSE(RectangleAround({}));
}

namespace {
std::vector<MeshCode> At(const std::string& text)
{
    AreaQuery at;
    std::string error;
    EXPECT_TRUE(ParsePointQuery(text, at, error)) << text << ": " << error;
    std::vector<MeshCode> codes;
    for (const AreaFile& f : FindAreaFiles(at, EditionChoice::Both))
        codes.push_back(f.mesh);
    return codes;
}
} // namespace

TEST_F(AreaQueryTest, APointTakesTheOneSquareThatHoldsItSouthAndWestEdgesInside)
{
    for (MeshCode row = 3; row <= 6; ++row)
        for (MeshCode col = 3; col <= 7; ++col) {
            Add10(12, 533900 + row * 10 + col);
            for (MeshCode fine : {0, 9, 90, 99})
                Add5(12, (533900 + row * 10 + col) * 100 + fine);
        }
    EXPECT_EQ(At("35.7,139.7"), (std::vector<MeshCode>{533945}));
    // On a corner of four 10 m squares: the north-east one, as the status bar says.
    EXPECT_EQ(At("35.75,139.75"), (std::vector<MeshCode>{533956, 53395600}));
    // 35.75 and 139.75 as the doubles of MeshCodeToRect's own edges, a few bits off the decimals.
    GeoRect sq;
    ASSERT_TRUE(MeshCodeToRect(533945, sq));
    char text[80];
    std::snprintf(text, sizeof text, "%.17g,%.17g", sq.north, sq.east);
    EXPECT_EQ(At(text), (std::vector<MeshCode>{533956, 53395600}));
    // Less than 1e-9 south or west of an edge is on it; 100 m south or west is not.
    EXPECT_EQ(At("35.7499999995,139.7499999995"), (std::vector<MeshCode>{533956, 53395600}));
    EXPECT_EQ(At("35.7491,139.6251"), (std::vector<MeshCode>{533945, 53394590}));
    EXPECT_EQ(At("35.6668,139.7491"), (std::vector<MeshCode>{533945, 53394509}));
    EXPECT_EQ(At("35.7491,139.7491"), (std::vector<MeshCode>{533945, 53394599}));
    // Outside the grid: refused with a message.
    AreaQuery q;
    std::string error;
    EXPECT_FALSE(ParsePointQuery("10,100", q, error));
    EXPECT_NE(error.find("outside the grid"), std::string::npos);
    EXPECT_FALSE(ParsePointQuery("46,139", q, error));
}

TEST_F(AreaQueryTest, MeshCodesOutsideTheGridAreRefusedByName)
{
    AreaQuery q;
    std::string error;
    for (const char* code : {"533990", "533908", "53398000", "292200", "305400", "695000"}) {
        EXPECT_FALSE(ParseMeshQuery(code, q, error)) << code;
        EXPECT_NE(error.find(code), std::string::npos) << error;
    }
    EXPECT_TRUE(ParseMeshQuery("685377", q, error));
    EXPECT_TRUE(ParseMeshQuery("30220099", q, error));
}

TEST_F(AreaQueryTest, FilesOnAPrefectureBorderAreListedUnderEachPrefecture)
{
    Add10(12, 533945);  // 東京都
    Add10(10, 533945);  // 埼玉県
    Add10(10, 533946);
    Add5(12, 53394525);
    Add5(10, 53394525);
    const auto files = FindAreaFiles(Box(35.68, 139.60, 35.72, 139.80), EditionChoice::Both);
    ASSERT_EQ(files.size(), 5u);
    // 10 m before 5 m; prefectures by index; then the names.
    EXPECT_EQ(files[0].prefecture, 10);
    EXPECT_EQ(files[0].mesh, 533945);
    EXPECT_EQ(files[1].mesh, 533946);
    EXPECT_EQ(files[2].prefecture, 12);
    EXPECT_EQ(files[3].edition, DemEdition::Dem5m);
    EXPECT_EQ(files[3].prefecture, 10);
    EXPECT_EQ(FormatAreaFiles({files[0], files[3]}, AreaFormat::Text),
              " 埼玉県   FG-GML-5339-45-DEM10B.zip   FG-GML-5339-45-dem10b-20161001.xml  \n"
              "   埼玉県   FG-GML-5339-45-DEM5A.zip   FG-GML-5339-45-25-DEM5A-20161001.xml  \n");
    // One download per archive and file, whatever the prefectures.
    const auto zips = DistinctZips(files);
    ASSERT_EQ(zips.size(), 3u);
    EXPECT_EQ(zips[0].zipName, "FG-GML-5339-45-DEM10B.zip");
    EXPECT_EQ(zips[0].xmlFiles, 1u);
    EXPECT_EQ(zips[2].xmlFiles, 1u);
    EXPECT_EQ(CountAreaFiles(files).xmlFiles, 3u);
    EXPECT_EQ(CountAreaFiles(files).zips, 3u);
    EXPECT_EQ(FormatAreaZips(zips, AreaFormat::Csv),
              "edition,zip,files\n10m,FG-GML-5339-45-DEM10B.zip,1\n10m,FG-GML-5339-46-DEM10B.zip,1\n"
              "5m,FG-GML-5339-45-DEM5A.zip,1\n");
    // Only one edition.
    EXPECT_EQ(FindAreaFiles(Box(35.68, 139.60, 35.72, 139.80), EditionChoice::Dem5m).size(), 2u);
}

TEST_F(AreaQueryTest, MeshCodesOfBothLevels)
{
    Add10(12, 533945);
    Add10(12, 533946);
    Add5(12, 53394500);
    Add5(12, 53394599);
    Add5(12, 53394600);
    AreaQuery q;
    std::string error;
    ASSERT_TRUE(ParseMeshQuery("533945", q, error));
    EXPECT_EQ(Codes(FindAreaFiles(q, EditionChoice::Both)), (std::vector<MeshCode>{533945, 53394500, 53394599}));
    ASSERT_TRUE(ParseMeshQuery("53394599", q, error));
    EXPECT_EQ(Codes(FindAreaFiles(q, EditionChoice::Both)), (std::vector<MeshCode>{533945, 53394599}));
    EXPECT_EQ(Codes(FindAreaFiles(q, EditionChoice::Dem10m)), (std::vector<MeshCode>{533945}));
}

TEST_F(AreaQueryTest, CsvAndJsonCarryTheSameRows)
{
    Add10(12, 533945);
    Add5(46, 53394525);
    AreaQuery q;
    std::string error;
    ASSERT_TRUE(ParseMeshQuery("533945", q, error));
    const auto files = FindAreaFiles(q, EditionChoice::Both);
    EXPECT_EQ(FormatAreaFiles(files, AreaFormat::Csv),
              "edition,prefecture,zip,xml,mesh\n"
              "10m,東京都,FG-GML-5339-45-DEM10B.zip,FG-GML-5339-45-dem10b-20161001.xml,533945\n"
              "5m,沖縄県,FG-GML-5339-45-DEM5A.zip,FG-GML-5339-45-25-DEM5A-20161001.xml,53394525\n");
    EXPECT_EQ(FormatAreaFiles(files, AreaFormat::Json),
              "[\n  {\"edition\": \"10m\", \"prefecture\": \"東京都\", \"zip\": \"FG-GML-5339-45-DEM10B.zip\", "
              "\"xml\": \"FG-GML-5339-45-dem10b-20161001.xml\", \"mesh\": 533945},\n"
              "  {\"edition\": \"5m\", \"prefecture\": \"沖縄県\", \"zip\": \"FG-GML-5339-45-DEM5A.zip\", "
              "\"xml\": \"FG-GML-5339-45-25-DEM5A-20161001.xml\", \"mesh\": 53394525}\n]\n");
    EXPECT_EQ(FormatAreaFiles({}, AreaFormat::Json), "[]\n");
}

TEST(AreaQueryParsing, BadInputIsRefusedWithAMessage)
{
    AreaQuery q;
    std::string error;
    for (const char* bad : {"", "35", "35,", ",139", "35,139,1", "35.x,139", "35 ,139", "nan,139", "1e999,139",
                            "95,139"}) {
        error.clear();
        EXPECT_FALSE(ParsePointQuery(bad, q, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(ParseBoxQuery("36,139,35,140", q, error));  // south above north
    EXPECT_NE(error.find("south"), std::string::npos);
    EXPECT_FALSE(ParseBoxQuery("35,140,36,139", q, error));  // west east of east
    EXPECT_FALSE(ParseBoxQuery("35,139,36", q, error));
    for (const char* bad : {"5339", "53394", "5339456", "533945678", "53394a", "-53394", "053394", ""})
        EXPECT_FALSE(ParseMeshQuery(bad, q, error)) << bad;
    // The numbers are read in the C format whatever the locale: a comma never is a decimal point.
    ASSERT_TRUE(ParseBoxQuery("35.5,139.25,35.75,139.5", q, error));
    EXPECT_EQ(q.box, (GeoRect{35.5, 139.25, 35.75, 139.5}));
}
