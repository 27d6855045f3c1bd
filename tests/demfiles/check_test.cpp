// The rows of check: against the catalogue's list, and of a folder without a list.
#include "demfiles/check.h"
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

FoundFiles Validated(const std::string& dir)
{
    FoundFiles found;
    std::string error;
    EXPECT_TRUE(FindDemFiles({dir}, found, error)) << error;
    ValidateFound(found);
    return found;
}

ExpectedDemFile Listed(int32_t mesh, DemKind kind)
{
    const std::string edition = EditionOf(kind);
    return ExpectedDemFile{edition, DemZipName(mesh >= 10000000 ? mesh / 100 : mesh, kind), DemXmlName(mesh, kind), mesh};
}

} // namespace

// Present, covered by a better kind, unconfirmed (5 m) or missing (10 m), damaged through the
// archive, and unlisted 1 m files; the copy used and the number of copies.
TEST(CheckRows, EachListedFileGetsTheStatusOfWhatIsThere)
{
    const std::string dir = TempDir("checkrows");
    TestXml jgd2024;
    jgd2024.srs = "jgd2024";
    // 53394600: 5A present (two copies) -> the 5B of that square is covered.
    WriteFile(dir + "/a/" + DemXmlName(53394600, DemKind::Dem5A, "20161001"), Xml(53394600, DemKind::Dem5A));
    WriteFile(dir + "/b/" + DemXmlName(53394600, DemKind::Dem5A, "20250731"), Xml(53394600, DemKind::Dem5A, jgd2024));
    // 53394601: a 1 m file -> the 5A listed there is covered, the 1 m file is unlisted.
    WriteFile(dir + "/a/" + DemXmlName(53394601, DemKind::Dem1A, "20250401"), Xml(53394601, DemKind::Dem1A));
    // 533946: 10A present -> 10B covered.
    WriteFile(dir + "/a/" + DemXmlName(533946, DemKind::Dem10A), Xml(533946, DemKind::Dem10A));
    // 533947's 5 m archive half downloaded.
    const std::string zip = MakeZip({{DemXmlName(53394700, DemKind::Dem5A), Xml(53394700, DemKind::Dem5A)}});
    WriteFile(dir + "/a/" + DatedZipName(533947, DemKind::Dem5A, "20250731"), zip.substr(0, zip.size() - 30));
    const FoundFiles found = Validated(dir);

    const std::vector<ExpectedDemFile> expected = {
        Listed(533946, DemKind::Dem10B),   Listed(533947, DemKind::Dem10B),   Listed(53394600, DemKind::Dem5A),
        Listed(53394600, DemKind::Dem5B), Listed(53394601, DemKind::Dem5A), Listed(53394602, DemKind::Dem5A),
        Listed(53394700, DemKind::Dem5A), Listed(53394701, DemKind::Dem5A)};
    const std::vector<CheckRow> rows = CompareWithCatalogue(expected, found, [](const DemName&) { return true; });
    ASSERT_EQ(rows.size(), expected.size() + 2) << FormatCheckRows(rows, CheckFormat::Text);
    auto status = [&](size_t i) { return std::string(CheckStatusName(rows[i].status)); };
    EXPECT_EQ(status(0), "covered");
    EXPECT_EQ(rows[0].path, dir + "/a/" + DemXmlName(533946, DemKind::Dem10A));
    EXPECT_EQ(status(1), "missing");
    EXPECT_EQ(status(2), "present");
    EXPECT_EQ(rows[2].path, dir + "/b/" + DemXmlName(53394600, DemKind::Dem5A, "20250731"));  // the newer copy
    EXPECT_EQ(rows[2].copies, 2u);
    EXPECT_EQ(status(3), "covered");
    EXPECT_EQ(rows[3].path, rows[2].path);
    EXPECT_EQ(status(4), "covered");
    EXPECT_EQ(rows[4].path, dir + "/a/" + DemXmlName(53394601, DemKind::Dem1A, "20250401"));
    EXPECT_EQ(status(5), "unconfirmed");
    EXPECT_EQ(status(6), "damaged");
    EXPECT_EQ(rows[6].reason, "not a readable ZIP archive (incomplete download?)");
    EXPECT_EQ(status(7), "damaged");
    EXPECT_EQ(status(8), "unlisted");
    EXPECT_EQ(rows[8].edition, "1m");
    EXPECT_EQ(status(9), "unlisted");
    EXPECT_EQ(rows[9].edition, "10m");  // the 10A file: the catalogue lists 10B there
    const CheckTotals t = CountCheckRows(rows);
    EXPECT_EQ(t.present + t.covered + t.missing + t.unconfirmed + t.damaged + t.unlisted, rows.size());
    EXPECT_EQ(t.covered, 3u);

    // The archive is named once among the notes, the copy not used once.
    const std::vector<std::string> notes = FoundNotes(found);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[0].find("FG-GML-533947-DEM5A-20250731.zip: not a readable ZIP archive"), std::string::npos);
    EXPECT_EQ(notes[1].rfind(dir + "/a/", 0), 0u);
    EXPECT_NE(notes[1].find("not used: an older edition (2016-10-01)"), std::string::npos);

    const std::string csv = FormatCheckRows({rows[2]}, CheckFormat::Csv);
    EXPECT_EQ(csv, "status,edition,zip,xml,mesh,path,copies\npresent,5m,FG-GML-5339-46-DEM5A.zip,"
                   "FG-GML-5339-46-00-DEM5A-20161001.xml,53394600," + rows[2].path + ",2\n");
    std::filesystem::remove_all(dir);
}

// A folder without a list: one row per mesh code and kind with the copy used, one per damaged
// file; kinds in the order of preference.
TEST(CheckRows, AFolderWithoutAList)
{
    const std::string dir = TempDir("listfound");
    TestXml old, now;
    old.srs = "jgd2000";
    now.srs = "jgd2024";
    WriteFile(dir + "/" + DemXmlName(533946, DemKind::Dem10B), Xml(533946, DemKind::Dem10B, old));
    WriteFile(dir + "/" + DemXmlName(533945, DemKind::Dem10B), Xml(533945, DemKind::Dem10B));  // mixed labels
    WriteFile(dir + "/" + DemXmlName(53394611, DemKind::Dem1A, "20250401"), Xml(53394611, DemKind::Dem1A, now));
    WriteFile(dir + "/x/" + DemXmlName(53394611, DemKind::Dem1A, "20250401"), Xml(53394611, DemKind::Dem1A, now));
    WriteFile(dir + "/" + DemXmlName(53394612, DemKind::Dem5A), "<Dataset>");
    const std::vector<CheckRow> rows = ListFound(Validated(dir));
    EXPECT_EQ(FormatFoundRows(rows, CheckFormat::Csv),
              "status,kind,edition,mesh,date,heights,path,copies\n"
              "present,DEM1A,1m,53394611,2025-04-01,JGD2024," + dir + "/FG-GML-5339-46-11-DEM1A-20250401.xml,2\n"
              "damaged,DEM5A,5m,53394612,2016-10-01,," + dir + "/FG-GML-5339-46-12-DEM5A-20161001.xml,1\n"
              "present,DEM10B,10m,533945,2016-10-01,JGD2011," + dir + "/FG-GML-5339-45-dem10b-20161001.xml,1\n"
              "present,DEM10B,10m,533946,2016-10-01,JGD2000," + dir + "/FG-GML-5339-46-dem10b-20161001.xml,1\n");
    EXPECT_EQ(TotalsByKind(rows), (std::vector<std::string>{"DEM1A: 1 present, 0 damaged", "DEM5A: 0 present, 1 damaged",
                                                            "DEM10B: 2 present, 0 damaged"}));
    std::filesystem::remove_all(dir);
}
