#include "demfiles/gmlreader.h"
#include "tests/demfiles/demtestfiles.h"

#include <gtest/gtest.h>

namespace {

DemGrid Read(const std::string& xml, bool ok = true)
{
    DemGrid g;
    std::string error;
    EXPECT_EQ(ReadDemXml(xml, g, error), ok) << error;
    return g;
}

std::string ReadError(const std::string& xml)
{
    DemGrid g;
    std::string error;
    EXPECT_FALSE(ReadDemXml(xml, g, error));
    EXPECT_FALSE(error.empty());
    return error;
}

} // namespace

TEST(DemName, MeshAndKindWhateverTheDate)
{
    EXPECT_EQ(ParseDemName("FG-GML-5339-46-00-DEM5A-20161001.xml"), (DemName{53394600, DemKind::Dem5A}));
    EXPECT_EQ(ParseDemName("dl/FG-GML-5339-46-99-DEM5C-20230404.xml"), (DemName{53394699, DemKind::Dem5C}));
    EXPECT_EQ(ParseDemName("FG-GML-5339-46-dem10b-20090401.xml"), (DemName{533946, DemKind::Dem10B}));
    EXPECT_EQ(ParseDemName("FG-GML-5339-46-DEM10A-20090401.xml"), (DemName{533946, DemKind::Dem10A}));
    EXPECT_EQ(ParseDemName("FG-GML-5339-46-11-DEM1A-20250401.xml"), (DemName{53394611, DemKind::Dem1A}));
    EXPECT_EQ(ParseDemName("FG-GML-5339-46-DEM1A.zip"), (DemName{533946, DemKind::Dem1A}));
    EXPECT_EQ(ParseDemName("FG-GML-5339-46-DEM5B.zip"), (DemName{533946, DemKind::Dem5B}));
    EXPECT_EQ(ParseDemName("fg-gml-5339-46-dem10b.zip"), (DemName{533946, DemKind::Dem10B}));
    // Today's archives: the second-level code whole, the date after the kind.
    EXPECT_EQ(ParseDemName("FG-GML-523874-DEM5A-20250731.zip"), (DemName{523874, DemKind::Dem5A}));
    EXPECT_EQ(ParseDemName("FG-GML-523874-DEM1A-20250731.zip"), (DemName{523874, DemKind::Dem1A}));
    EXPECT_EQ(ParseDemName("FG-GML-523874-00-DEM5A-20250731.xml"), (DemName{52387400, DemKind::Dem5A}));
    EXPECT_EQ(ParseDemName("FG-GML-52387400-DEM5A-20250731.xml"), (DemName{52387400, DemKind::Dem5A}));
    EXPECT_EQ(ParseDemName("FG-GML-5238-74-DEM5A (1).zip"), (DemName{523874, DemKind::Dem5A}));
    EXPECT_FALSE(ParseDemName("FG-GML-shikoku-DEM5-20260522-Z001.zip"));  // a package of archives
    EXPECT_FALSE(ParseDemName("FG-GML-5238-7-DEM5A.zip"));
    EXPECT_FALSE(ParseDemName("FG-GML-52387-DEM5A.zip"));
    EXPECT_FALSE(ParseDemName("FG-GML-5339-46-00-DEM10B-20161001.xml"));  // a 10 m file has 6 digits
    EXPECT_FALSE(ParseDemName("FG-GML-5339-46-00-DEM5AX-2016.xml"));
    EXPECT_FALSE(ParseDemName("FG-GML-533-46-00-DEM5A-2016.xml"));
    EXPECT_FALSE(ParseDemName("readme.xml"));
}

TEST(DemName, DatesOfFilesAndArchives)
{
    EXPECT_EQ(NameDate("FG-GML-5339-46-00-DEM5A-20161001.xml"), 20161001);
    EXPECT_EQ(NameDate("dl/FG-GML-523874-DEM5A-20250731.zip"), 20250731);
    EXPECT_EQ(NameDate("FG-GML-5339-46-dem10b-20090401 (1).xml"), 20090401);
    EXPECT_EQ(NameDate("FG-GML-shikoku-DEM5-20260522-Z001.zip"), 20260522);
    EXPECT_EQ(NameDate("FG-GML-5339-46-DEM5A.zip"), 0);
    EXPECT_EQ(NameDate("FG-GML-53394600-DEM5A.zip"), 0);  // a code, not a date
    EXPECT_EQ(NameDate("FG-GML-5339-46-DEM5A-20161341.zip"), 0);
}

TEST(MeshSquareCells, EdgesOnTheMeshBoundaries)
{
    MeshCells c;
    ASSERT_TRUE(MeshSquareCells(533946, c));
    EXPECT_EQ(c.x0, 139 * 90000 + 6 * 11250);
    EXPECT_EQ(c.y0, 53 * 60000 + 4 * 7500);
    EXPECT_EQ(c.width, 11250);
    ASSERT_TRUE(MeshSquareCells(53394699, c));
    EXPECT_EQ(c.x0, 139 * 90000 + 6 * 11250 + 9 * 1125);
    EXPECT_EQ(c.y0, 53 * 60000 + 4 * 7500 + 9 * 750);
    EXPECT_EQ(c.height, 750);
    EXPECT_FALSE(MeshSquareCells(533986, c));  // second-level digits stop at 7
    EXPECT_FALSE(MeshSquareCells(5339461, c));
}

TEST(DemXml, FullFileUtf8AndShiftJisGiveTheSameGrid)
{
    TestXml spec;
    const DemGrid a = Read(MakeDemXml(spec));
    spec.shiftJis = true;
    spec.crlf = true;
    const DemGrid b = Read(MakeDemXml(spec));
    ASSERT_EQ(a.width, 225);
    ASSERT_EQ(a.height, 150);
    EXPECT_EQ(a.mesh, 53394611);
    EXPECT_EQ(a.tuples, 225u * 150u);
    EXPECT_EQ(a.values, b.values);
    EXPECT_EQ(a.values[0], kNoData);  // sea on the diagonal
    EXPECT_EQ(a.values[1], TestValue(53394611, 1, 0));
    EXPECT_EQ(a.values[149 * 225 + 224], TestValue(53394611, 224, 149));
    EXPECT_EQ(a.datum, DemDatum::Jgd2011);
    EXPECT_NEAR(a.lower[0], 35.675, 1e-8);
}

TEST(DemXml, StartPointAndShortListLeaveCellsWithoutValue)
{
    TestXml spec;
    spec.width = 5, spec.height = 4, spec.startX = 3, spec.startY = 1;
    spec.tuples = {"地表面,1.5", "表層面,2.", "データなし,-9999.", "内水面,4.25", "その他,-3.5", "地表面,-9999."};
    const DemGrid g = Read(MakeDemXml(spec));
    std::vector<float> want(20, kNoData);
    want[8] = 1.5f, want[9] = 2.0f, want[11] = 4.25f, want[12] = -3.5f;
    EXPECT_EQ(g.values, want);
    EXPECT_EQ(g.tuples, 6u);
}

TEST(DemXml, Jgd2000IsRead)
{
    TestXml spec;
    spec.srs = "jgd2000";
    EXPECT_EQ(Read(MakeDemXml(spec)).datum, DemDatum::Jgd2000);
    spec.srs = "jgd2024";
    EXPECT_EQ(Read(MakeDemXml(spec)).datum, DemDatum::Jgd2024);
}

TEST(DemXml, HostileFilesAreRefused)
{
    TestXml spec;
    spec.width = 3, spec.height = 2;
    spec.tuples = std::vector<std::string>(7, "地表面,1.0");
    EXPECT_NE(ReadError(MakeDemXml(spec)).find("more tuples"), std::string::npos);
    spec.tuples = std::vector<std::string>(5, "地表面,1.0");
    spec.startX = 2;  // 2 + 5 > 6 cells
    EXPECT_NE(ReadError(MakeDemXml(spec)).find("after the start point"), std::string::npos);
    spec.tuples = {"地表面,1.0"};
    spec.startX = 3;
    EXPECT_NE(ReadError(MakeDemXml(spec)).find("outside the grid"), std::string::npos);
    spec.startX = 0, spec.startY = -1;
    ReadError(MakeDemXml(spec));
    spec.startY = 0;
    spec.tuples = {"地表面,abc"};
    ReadError(MakeDemXml(spec));
    spec.tuples = {"地表面,nan"};
    ReadError(MakeDemXml(spec));
    spec.tuples = {"地表面,1e999"};
    ReadError(MakeDemXml(spec));
    spec.tuples = {"地表面 1.0"};
    ReadError(MakeDemXml(spec));
    spec.tuples = {"山,1.0"};
    ReadError(MakeDemXml(spec));
    spec.tuples = {"地表面,1.0"};
    spec.width = -4;  // high -5
    ReadError(MakeDemXml(spec));
    spec.width = 60000, spec.height = 60000;
    EXPECT_NE(ReadError(MakeDemXml(spec)).find("too large"), std::string::npos);
}

TEST(DemXml, EntitiesAndDoctypesAreRefused)
{
    TestXml spec;
    spec.width = 2, spec.height = 1;
    spec.tuples = {"地表面,&a;"};
    std::string xml = MakeDemXml(spec);
    ReadError(xml);
    const std::string laughs = "<!DOCTYPE d [<!ENTITY a \"1.0\"><!ENTITY b \"&a;&a;&a;&a;\">]>";
    xml.insert(xml.find("?>") + 2, laughs);
    EXPECT_NE(ReadError(xml).find("entities"), std::string::npos);
    spec.tuples = {"地表面,1.0"};
    xml = MakeDemXml(spec);
    xml.replace(xml.find("<mesh>") + 6, 8, "&#53;394611");
    ReadError(xml);
}

TEST(DemXml, EncodingComesFromTheDeclaration)
{
    TestXml spec;
    spec.width = 2, spec.height = 1;
    spec.tuples = {"地表面,1.0"};
    spec.shiftJis = true;
    std::string sjis = MakeDemXml(spec);
    EXPECT_EQ(Read(sjis).values[0], 1.0f);
    // The same bytes declared as UTF-8 do not name a cell type.
    sjis.replace(sjis.find("Shift_JIS"), 9, "UTF-8");
    ReadError(sjis);
    spec.shiftJis = false;
    std::string other = MakeDemXml(spec);
    other.replace(other.find("UTF-8"), 5, "UTF-16");
    ReadError(other);
}

TEST(DemXml, TruncatedFilesNeverReadPastTheirEnd)
{
    TestXml spec;
    spec.width = 4, spec.height = 3;
    const std::string xml = MakeDemXml(spec);
    for (size_t n = 0; n < xml.size(); n += 7) {
        DemGrid g;
        std::string error;
        // A copy of exactly n bytes, so that ASan sees any read beyond them.
        std::vector<char> part(xml.begin(), xml.begin() + static_cast<std::ptrdiff_t>(n));
        ReadDemXml(std::string_view(part.data(), part.size()), g, error);
    }
}

TEST(DemXml, NameChecksMeshAndGrid)
{
    DemGrid g;
    std::string error;
    const std::string xml = MakeDemXml(TestXml{});
    EXPECT_TRUE(ReadNamedDemXml(xml, DemName{53394611, DemKind::Dem5B}, g, error)) << error;
    EXPECT_FALSE(ReadNamedDemXml(xml, DemName{53394612, DemKind::Dem5B}, g, error));
    EXPECT_FALSE(ReadNamedDemXml(xml, DemName{53394611, DemKind::Dem10B}, g, error));
    TestXml narrow;
    narrow.width = 224;
    EXPECT_FALSE(ReadNamedDemXml(MakeDemXml(narrow), DemName{53394611, DemKind::Dem5A}, g, error));
}

// What real files hold besides the plain form: each variant gives the plain file's grid.
TEST(DemXml, FormsSeenInRealFilesGiveTheSameGrid)
{
    TestXml spec;
    spec.width = 6, spec.height = 2;
    spec.tuples = {"地表面,1.5", "地表面,-9999.", "地表面,-9999.00", "海水面,-9999.", "データなし,-9999.", "その他,2.25",
                   "地表面,-0.50"};
    spec.startX = 5, spec.startY = 0;
    std::vector<float> want(12, kNoData);
    want[5] = 1.5f, want[10] = 2.25f, want[11] = -0.5f;
    EXPECT_EQ(Read(MakeDemXml(spec)).values, want);
    spec.bom = true;
    EXPECT_EQ(Read(MakeDemXml(spec)).values, want);
    spec.doubleSpaces = true;
    spec.crlf = true;
    const std::string xml = MakeDemXml(spec);
    ASSERT_NE(xml.find("<gml:Envelope  srsName="), std::string::npos);
    EXPECT_EQ(Read(xml).values, want);
    // データなし for the sea, in Shift_JIS too.
    spec.bom = false;
    spec.shiftJis = true;
    EXPECT_EQ(Read(MakeDemXml(spec)).values, want);
}

TEST(DemXml, OneMeterFileOfAThirdLevelSquare)
{
    TestXml spec;
    spec.mesh = 52387411;
    spec.width = 1125, spec.height = 750;
    spec.type = "1mメッシュ（標高）";
    spec.srs = "jgd2024";
    const std::string xml = MakeDemXml(spec);
    DemGrid g;
    std::string error;
    ASSERT_TRUE(ReadNamedDemXml(xml, DemName{52387411, DemKind::Dem1A}, g, error)) << error;
    EXPECT_EQ(g.width, 1125);
    EXPECT_EQ(g.height, 750);
    EXPECT_EQ(g.datum, DemDatum::Jgd2024);
    EXPECT_EQ(g.values[749 * 1125 + 1124], TestValue(52387411, 1124, 749));
    EXPECT_EQ(g.values[3 * 1125 + 700], TestValue(52387411, 700, 3));
    MeshCells c;
    ASSERT_TRUE(MeshSquareCells(52387411, c));
    EXPECT_EQ(c.width, g.width);  // one 1 m cell of the grid per 1/90000 degree
    EXPECT_EQ(c.height, g.height);
    // The 1 m grid is not that of a 5 m file, nor the other way round.
    EXPECT_FALSE(ReadNamedDemXml(xml, DemName{52387411, DemKind::Dem5A}, g, error));
    EXPECT_FALSE(ReadNamedDemXml(MakeDemXml(TestXml{}), DemName{53394611, DemKind::Dem1A}, g, error));
}

TEST(DemXml, TheFilesOwnDate)
{
    TestXml spec;
    spec.width = 2, spec.height = 1;
    spec.tuples = {"地表面,1.0"};
    EXPECT_EQ(Read(MakeDemXml(spec)).date, 0);
    spec.date = "2017-02-02";
    const std::string xml = MakeDemXml(spec);
    EXPECT_EQ(Read(xml).date, 20170202);
    EXPECT_EQ(DemXmlDate(xml.substr(0, xml.find("<type>"))), 20170202);
    EXPECT_EQ(DemXmlDate("<devDate><gml:timePosition>17-02-02</gml:timePosition></devDate>"), 0);
}
