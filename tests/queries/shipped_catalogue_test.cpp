// The catalogues linked into the programs against GSI's own figures: the 10 m catalogue is GSI's
// list of its 10 m files (2025-01-29); the 5 m catalogue, a model, comes near GSI's counts by kind.
#include "geodata/catalogue.h"
#include "geodata/geodata.h"
#include "queries/areaquery.h"
#include "platform/kernel.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct ShippedCatalogues : testing::Test {
    static void SetUpTestSuite()
    {
        g_hInstance = GetModuleHandle(nullptr);
        ClearGeodata();
        LoadGeodata();
    }
    static void TearDownTestSuite() { ClearGeodata(); }
    void SetUp() override
    {
        if (g_dem10Files.empty() || g_dem5Files.empty())
            GTEST_SKIP() << "no catalogues embedded";
    }
};

std::set<std::string> DistinctXml(const DemFiles& files)
{
    std::set<std::string> names;
    for (const DemFileEntry& e : files)
        names.insert(e.xmlName.str());
    return names;
}

// (prefecture, ZIP, XML) of every row that --mesh CODE lists for one edition.
std::set<std::tuple<int32_t, std::string, std::string>> Rows(const char* code, EditionChoice edition)
{
    AreaQuery query;
    std::string error;
    EXPECT_TRUE(ParseMeshQuery(code, query, error)) << error;
    std::set<std::tuple<int32_t, std::string, std::string>> rows;
    for (const AreaFile& f : FindAreaFiles(query, edition))
        rows.emplace(f.prefecture, std::string(f.zipName), std::string(f.xmlName));
    return rows;
}

constexpr int32_t kTokyo = 12;

} // namespace

TEST_F(ShippedCatalogues, TheTenMetreCatalogueHoldsGsisFilesOfBothKinds)
{
    const std::set<std::string> names = DistinctXml(g_dem10Files);
    size_t a = 0, b = 0;
    for (const std::string& n : names) {
        a += n.find("-dem10a-") != std::string::npos;
        b += n.find("-dem10b-") != std::string::npos;
    }
    EXPECT_EQ(names.size(), 4981u);
    EXPECT_EQ(a, 96u);
    EXPECT_EQ(b, 4885u);
    // Every record gives the square the map frames and picks.
    EXPECT_EQ(g_dem10Tiles.size(), g_dem10Files.size());
    // Each DEM10A square also has its DEM10B file.
    for (const std::string& n : names) {
        if (n.find("-dem10a-") != std::string::npos) {
            EXPECT_EQ(names.count(n.substr(0, 14) + "-dem10b-20161001.xml"), 1u) << n;
        }
    }
}

TEST_F(ShippedCatalogues, SquaresOfGsisListAreListedAndNoOthers)
{
    // 沖ノ鳥島, far from every prefecture's outline, comes under 東京都 (小笠原村).
    EXPECT_EQ(Rows("303650", EditionChoice::Dem10m),
              (std::set<std::tuple<int32_t, std::string, std::string>>{
                  {kTokyo, "FG-GML-3036-50-DEM10B.zip", "FG-GML-3036-50-dem10b-20161001.xml"}}));
    EXPECT_EQ(Rows("392676", EditionChoice::Dem10m).size(), 1u);
    // A volcano's square: the DEM10A file beside the DEM10B one, named in the same form.
    std::set<std::string> xml, zip;
    for (const auto& [pref, z, x] : Rows("442935", EditionChoice::Dem10m)) {
        xml.insert(x);
        zip.insert(z);
    }
    EXPECT_EQ(xml, (std::set<std::string>{"FG-GML-4429-35-dem10a-20161001.xml", "FG-GML-4429-35-dem10b-20161001.xml"}));
    EXPECT_EQ(zip, (std::set<std::string>{"FG-GML-4429-35-DEM10A.zip", "FG-GML-4429-35-DEM10B.zip"}));
    // Squares GSI has no 10 m file for: nothing of either edition.
    for (const char* code : {"362326", "384102", "392772", "404242", "412866", "463002", "502935", "664666"})
        EXPECT_TRUE(Rows(code, EditionChoice::Both).empty()) << code;
}

TEST_F(ShippedCatalogues, FilesOfLaterEditionsCarryTheirOwnDate)
{
    const std::set<std::string> names = DistinctXml(g_dem10Files);
    const std::vector<std::string> later = {
        "FG-GML-3622-57-dem10b-20190510.xml", "FG-GML-3623-50-dem10b-20190510.xml",
        "FG-GML-3653-37-dem10b-20190510.xml", "FG-GML-3741-02-dem10b-20230705.xml",
        "FG-GML-3741-12-dem10b-20230705.xml", "FG-GML-3741-13-dem10b-20230705.xml",
        "FG-GML-4040-66-dem10b-20190510.xml", "FG-GML-4040-67-dem10b-20190510.xml",
        "FG-GML-4040-76-dem10b-20190510.xml", "FG-GML-4040-77-dem10b-20190510.xml",
        "FG-GML-4629-75-dem10b-20200409.xml", "FG-GML-4729-15-dem10b-20200409.xml",
        "FG-GML-5030-30-dem10b-20200409.xml", "FG-GML-5032-43-dem10b-20181114.xml",
        "FG-GML-5130-20-dem10b-20170804.xml", "FG-GML-5130-30-dem10b-20170804.xml",
        "FG-GML-5132-04-dem10b-20200409.xml", "FG-GML-5133-13-dem10b-20200409.xml",
        "FG-GML-5339-52-dem10b-20161125.xml"};
    for (const std::string& n : later) {
        EXPECT_EQ(names.count(n), 1u) << n;
        EXPECT_EQ(names.count(n.substr(0, 22) + "20161001.xml"), 0u) << n;
    }
    size_t other = 0;
    for (const std::string& n : names)
        other += n.find("-20161001.xml") == std::string::npos;
    EXPECT_EQ(other, later.size());
}

TEST_F(ShippedCatalogues, FiveMetreKindsComeWithinATenthOfGsisCounts)
{
    std::map<char, size_t> kinds;
    for (const std::string& n : DistinctXml(g_dem5Files))
        ++kinds[n[22]];  // FG-GML-5339-35-99-DEM5A-...
    EXPECT_EQ(kinds.size(), 3u);
    const std::map<char, double> gsi = {{'A', 287681}, {'B', 18076}, {'C', 21616}};
    for (const auto& [kind, count] : gsi)
        EXPECT_NEAR(static_cast<double>(kinds[kind]), count, count / 10) << "DEM5" << kind;
}
