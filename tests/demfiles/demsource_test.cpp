// Finding DEM files in download folders as they are, and choosing among copies of one file.
#include "demfiles/demsource.h"
#include "tests/demfiles/demtestfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string Xml(int32_t mesh, DemKind kind, TestXml spec = {})
{
    spec.mesh = mesh;
    ExpectedGrid(kind, spec.width, spec.height);
    return MakeDemXml(spec);
}

FoundFiles Find(const std::string& dir)
{
    FoundFiles found;
    std::string error;
    EXPECT_TRUE(FindDemFiles({dir}, found, error)) << error;
    return found;
}

const DemSource* ByXml(const FoundFiles& f, const std::string& xmlName)
{
    for (const DemSource& s : f.files)
        if (s.xmlName == xmlName)
            return &s;
    return nullptr;
}

} // namespace

// Dated archives of today, undated ones of older downloads, regional packages holding
// archives, archives holding fewer files than their square has, members older than the name.
TEST(FindDemFiles, ArchivesInEveryForm)
{
    const std::string dir = TempDir("forms");
    const std::string a = DemXmlName(52387400, DemKind::Dem5A, "20250731");
    const std::string b = DemXmlName(52387401, DemKind::Dem5A, "20161001");  // older than its archive
    WriteFile(dir + "/" + DatedZipName(523874, DemKind::Dem5A, "20250731"),
              MakeZip({{a, Xml(52387400, DemKind::Dem5A)}, {b, Xml(52387401, DemKind::Dem5A)}}));
    WriteFile(dir + "/old/" + DemZipName(523875, DemKind::Dem5B),
              MakeZip({{DemXmlName(52387500, DemKind::Dem5B), Xml(52387500, DemKind::Dem5B)}}));
    // A regional package of two parts, each holding dated archives; one of them 1 m.
    const std::string one = MakeZip({{DemXmlName(52387611, DemKind::Dem1A, "20250401"), Xml(52387611, DemKind::Dem1A)}});
    const std::string ten = MakeZip({{DemXmlName(523876, DemKind::Dem10B), Xml(523876, DemKind::Dem10B)}});
    WriteFile(dir + "/FG-GML-shikoku-DEM5-20260522-Z001.zip",
              MakeZip({{DatedZipName(523876, DemKind::Dem1A, "20250401"), one, false}}));
    WriteFile(dir + "/FG-GML-shikoku-DEM5-20260522-Z002.zip",
              MakeZip({{"shikoku/" + DatedZipName(523876, DemKind::Dem10B, "20161001"), ten}}));

    const FoundFiles f = Find(dir);
    EXPECT_TRUE(f.damaged.empty());
    ASSERT_EQ(f.files.size(), 5u);
    const DemSource* s = ByXml(f, b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->name, (DemName{52387401, DemKind::Dem5A}));
    EXPECT_EQ(s->date, 20161001);  // the member's own name, not the archive's
    EXPECT_EQ(s->zipName, "FG-GML-523874-DEM5A-20250731.zip");
    s = ByXml(f, DemXmlName(52387611, DemKind::Dem1A, "20250401"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->shownPath, dir + "/FG-GML-shikoku-DEM5-20260522-Z001.zip/FG-GML-523876-DEM1A-20250401.zip/" + s->xmlName);
    DemGrid g;
    std::string error;
    EXPECT_TRUE(LoadDemSource(*s, g, error)) << error;
    EXPECT_EQ(g.width, 1125);
    s = ByXml(f, DemXmlName(523876, DemKind::Dem10B));
    ASSERT_TRUE(s);
    EXPECT_TRUE(LoadDemSource(*s, g, error)) << error;
    std::filesystem::remove_all(dir);
}

// A half-downloaded archive is one damaged entry, named by its own name, with advice.
TEST(FindDemFiles, AnIncompleteArchiveIsNamedOnce)
{
    const std::string dir = TempDir("partial");
    std::vector<ZipMember> members;
    for (int32_t m = 52387400; m < 52387410; ++m)
        members.push_back({DemXmlName(m, DemKind::Dem5A), Xml(m, DemKind::Dem5A)});
    const std::string zip = MakeZip(members);
    WriteFile(dir + "/" + DatedZipName(523874, DemKind::Dem5A, "20250731"), zip.substr(0, zip.size() / 2));
    const FoundFiles f = Find(dir);
    EXPECT_TRUE(f.files.empty());
    ASSERT_EQ(f.damaged.size(), 1u);
    EXPECT_EQ(f.damaged[0].reason, "not a readable ZIP archive (incomplete download?)");
    ASSERT_TRUE(f.damaged[0].name);
    EXPECT_EQ(*f.damaged[0].name, (DemName{523874, DemKind::Dem5A}));
    std::filesystem::remove_all(dir);
}

// The newest edition first: the date in the XML's name, else the archive's, else the XML's
// own; equal editions in path order.
TEST(GroupCopies, NewestEditionFirstThenPathOrder)
{
    const std::string dir = TempDir("copies");
    const int32_t m = 53394611;
    TestXml dated;
    dated.date = "2019-05-10";
    // Path order: a, b, c, d, e.
    WriteFile(dir + "/a/" + DemXmlName(m, DemKind::Dem5A, "20090401"), Xml(m, DemKind::Dem5A));
    WriteFile(dir + "/b/" + DatedZipName(533946, DemKind::Dem5A, "20250731"),
              MakeZip({{"FG-GML-5339-46-11-DEM5A.xml", Xml(m, DemKind::Dem5A)}}));  // undated member
    WriteFile(dir + "/c/FG-GML-5339-46-11-DEM5A.xml", Xml(m, DemKind::Dem5A, dated));  // only its own date
    WriteFile(dir + "/d/" + DemXmlName(m, DemKind::Dem5A, "20161001"), Xml(m, DemKind::Dem5A));
    WriteFile(dir + "/e/" + DemXmlName(m, DemKind::Dem5A, "20161001"), Xml(m, DemKind::Dem5A));
    WriteFile(dir + "/f/" + DemXmlName(m, DemKind::Dem5B, "20161001"), Xml(m, DemKind::Dem5B));
    const std::vector<DemCopies> groups = GroupCopies(Find(dir).files);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, (DemName{m, DemKind::Dem5A}));
    std::vector<std::string> order;
    for (const DemSource& c : groups[0].copies)
        order.push_back(c.shownPath.substr(dir.size() + 1, 1) + ":" + std::to_string(c.date));
    EXPECT_EQ(order, (std::vector<std::string>{"b:20250731", "c:20190510", "d:20161001", "e:20161001", "a:20090401"}));
    EXPECT_EQ(groups[1].copies.size(), 1u);

    const std::vector<DemSource>& c = groups[0].copies;
    EXPECT_EQ(NotUsedLine(c[4], c[0]), c[4].shownPath + ": not used: an older edition (2009-04-01) than " +
                                           c[0].shownPath + " (2025-07-31)");
    EXPECT_EQ(NotUsedLine(c[3], c[2]),
              c[3].shownPath + ": not used: the same edition (2016-10-01) as " + c[2].shownPath + ", found after it");
    std::filesystem::remove_all(dir);
}

// The first readable copy in that order is used; those before it are reported.
TEST(GroupCopies, TheFirstReadableCopyIsUsed)
{
    const std::string dir = TempDir("readable");
    const int32_t m = 53394611;
    WriteFile(dir + "/a/" + DemXmlName(m, DemKind::Dem5A, "20250731"), "<Dataset>");
    WriteFile(dir + "/b/" + DemXmlName(m, DemKind::Dem5A, "20161001"), Xml(m, DemKind::Dem5A));
    WriteFile(dir + "/c/" + DemXmlName(m, DemKind::Dem5A, "20161001"), Xml(m, DemKind::Dem5A));
    const std::vector<DemCopies> groups = GroupCopies(Find(dir).files);
    ASSERT_EQ(groups.size(), 1u);
    DemGrid g;
    std::vector<std::string> errors;
    size_t bytes = 0;
    EXPECT_EQ(LoadPreferredCopy(groups[0].copies, g, errors, &bytes), 1u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(dir + "/a/", 0), 0u) << errors[0];
    EXPECT_GT(bytes, 100000u);
    EXPECT_EQ(g.values[1], TestValue(m, 1, 0));
    std::filesystem::remove_all(dir);
}

// GSI's own files: a BOM, CRLF, two spaces before attributes, start points, short lists.
TEST(FindDemFiles, RealFilesOfGsi)
{
    const FoundFiles f = Find(TESSELO_TEST_DATA "/gsi");
    EXPECT_TRUE(f.damaged.empty());
    ASSERT_EQ(f.files.size(), 9u);
    DemGrid g;
    std::string error;
    for (const DemSource& s : f.files) {
        EXPECT_TRUE(LoadDemSource(s, g, error)) << s.shownPath << ": " << error;
        EXPECT_EQ(g.datum, DemDatum::Jgd2011);
    }
    const DemSource* one = ByXml(f, "FG-GML-3624-30-98-DEM5B-20170202.xml");
    ASSERT_TRUE(one);
    ASSERT_TRUE(LoadDemSource(*one, g, error)) << error;
    EXPECT_EQ(g.date, 20170202);
    EXPECT_EQ(g.tuples, 1u);
    size_t withValue = 0;
    for (float v : g.values)
        withValue += v != kNoData;
    EXPECT_EQ(withValue, 1u);
    EXPECT_EQ(g.values[94 * 225 + 1], 0.0f);  // start point 1 94
    const DemSource* ten = ByXml(f, "FG-GML-3926-76-DEM10B-20161001.xml");
    ASSERT_TRUE(ten);
    ASSERT_TRUE(LoadDemSource(*ten, g, error)) << error;
    EXPECT_EQ(g.tuples, 37074u);
    EXPECT_EQ(g.values[639 * 1125 + 742], kNoData);
    EXPECT_EQ(g.values[639 * 1125 + 743], 1.2f);   // その他 keeps its value
    EXPECT_EQ(g.values[639 * 1125 + 744], 3.6f);
    EXPECT_EQ(g.values[639 * 1125 + 745], kNoData);  // データなし
}
