#include "geodata/catalogue.h"
#include "geodata/geodata.h"
#include "platform/cp932.h"
#include "resource_builder.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

struct CatalogueTest : testing::Test {
    ResourceScope res;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1000000);
    int32_t blockSize = 1000000;
    void SetUp() override { ClearGeodata(); }
    void TearDown() override
    {
        GlobalFree(block);
        ClearGeodata();
    }
};

} // namespace

TEST(MeshCodeFromXmlName, ReadsTheDigitGroupsOfBothEditions)
{
    using E = DemEdition;
    EXPECT_EQ(MeshCodeFromXmlName("FG-GML-5136-77-dem10b-20161001.xml", E::Dem10m), 513677);
    EXPECT_EQ(MeshCodeFromXmlName("FG-GML-5137-60-91-DEM5A-20161001.xml", E::Dem5m), 51376091);
    EXPECT_EQ(MeshCodeFromXmlName("fg-gml-6441-07-DEM10B-20090201.XML", E::Dem10m), 644107);
    // A 10 m name read as 5 m lacks its third group; the date is never a first group.
    EXPECT_EQ(MeshCodeFromXmlName("FG-GML-5136-77-dem10b-20161001.xml", E::Dem5m), std::nullopt);
    EXPECT_EQ(MeshCodeFromXmlName("FG-GML-5136-dem10b-20161001.xml", E::Dem10m), std::nullopt);
    EXPECT_EQ(MeshCodeFromXmlName("FG-GML-513-77-dem10b.xml", E::Dem10m), std::nullopt);
    EXPECT_EQ(MeshCodeFromXmlName("FG-GML-5137-60-9-DEM5A.xml", E::Dem5m), std::nullopt);
    EXPECT_EQ(MeshCodeFromXmlName("", E::Dem10m), std::nullopt);
    EXPECT_EQ(MeshCodeFromXmlName("12345", E::Dem10m), std::nullopt);  // too short for a first group
}

namespace {

// The scan as a reader would do it by hand: the first four digits in a row, then each
// hyphen-digit-digit-hyphen group after them.
std::optional<MeshCode> ScanByHand(const std::string& n, bool five)
{
    auto digit = [&](size_t i) { return i < n.size() && n[i] >= '0' && n[i] <= '9'; };
    size_t p = 0;
    for (; p + 5 < n.size(); ++p)
        if (digit(p) && digit(p + 1) && digit(p + 2) && digit(p + 3))
            break;
    if (p + 5 >= n.size())
        return std::nullopt;
    int code = std::stoi(n.substr(p, 4));
    p += 4;
    for (int g = 0; g < (five ? 2 : 1); ++g) {
        size_t q = p;
        while (q + 3 < n.size() && !(n[q] == '-' && digit(q + 1) && digit(q + 2) && n[q + 3] == '-'))
            ++q;
        if (q + 3 >= n.size())
            return std::nullopt;
        code = code * 100 + std::stoi(n.substr(q + 1, 2));
        p = q + 3;
    }
    return code;
}

} // namespace

TEST(MeshCodeFromXmlName, AgreesWithTheScanOnNamesNearTheCataloguesForm)
{
    std::mt19937 rng(7);
    const std::string alphabet = "0123456789--A";
    for (int i = 0; i < 20000; ++i) {
        std::string name = i % 3 ? "FG-GML-" : "";
        const int extra = static_cast<int>(rng() % 20);
        for (int k = 0; k < extra; ++k)
            name += alphabet[rng() % alphabet.size()];
        for (bool five : {false, true})
            ASSERT_EQ(MeshCodeFromXmlName(name, five ? DemEdition::Dem5m : DemEdition::Dem10m), ScanByHand(name, five))
                << name << (five ? " 5m" : " 10m");
    }
}

TEST_F(CatalogueTest, EntriesAndTilesInResourceOrder)
{
    res.Add(132, Compress(Catalogue({
                     {22, "FG-GML-5136-77-dem10b-20161001.xml", "FG-GML-5136-77-DEM10B.zip"},
                     {22, "FG-GML-5439-25-dem10b-20161001.xml", "FG-GML-5439-25-DEM10B.zip"},
                     {9, "FG-GML-5439-25-dem10b-20161001.xml", "FG-GML-5439-25-DEM10B.zip"},
                     {10, "FG-GML-5439-25-dem10b-20161001.xml", "FG-GML-5439-25-DEM10B.zip"},
                     {18, "FG-GML-5439-25-dem10b-20161001.xml", "FG-GML-5439-25-DEM10B.zip"},
                     {60, "no code here", "x.zip"},
                 })));
    res.Add(139, Compress(Catalogue({
                     {22, "FG-GML-5137-60-90-DEM5A-20161001.xml", "FG-GML-5137-60-DEM5A.zip"},
                     {22, "FG-GML-5137-60-91-DEM5A-20161001.xml", "FG-GML-5137-60-DEM5A.zip"},
                 })));
    LoadPrefectures();
    LoadDemCatalogue(DemEdition::Dem10m, block, blockSize);
    LoadDemCatalogue(DemEdition::Dem5m, block, blockSize);

    ASSERT_EQ(g_dem10Files.size(), 6u);
    ASSERT_EQ(g_dem10Tiles.size(), 5u);  // the record without a code has no tile
    EXPECT_EQ(g_dem10Files[0].prefecture, 22);
    EXPECT_EQ(g_dem10Files[0].xmlName, "FG-GML-5136-77-dem10b-20161001.xml");
    EXPECT_EQ(g_dem10Files[0].zipName, "FG-GML-5136-77-DEM10B.zip");
    EXPECT_EQ(g_dem10Files[5].prefecture, 60);  // copied unchanged
    const DemTile& t = g_dem10Tiles[0];
    EXPECT_EQ(t.code, 513677);
    EXPECT_EQ(t.bounds, (GeoRect{34.583333333333336, 136.875, 34.66666666666667, 137.0}));
    EXPECT_EQ(t.xmlName, g_dem10Files[0].xmlName);
    EXPECT_EQ(t.screenRect, RECT{});
    // Listed under four prefectures: four identical tiles.
    for (int i = 2; i <= 4; ++i) {
        EXPECT_EQ(g_dem10Tiles[static_cast<size_t>(i)].code, 543925);
        EXPECT_EQ(g_dem10Tiles[static_cast<size_t>(i)].bounds, g_dem10Tiles[1].bounds);
    }
    ASSERT_EQ(g_dem5Tiles.size(), 2u);
    EXPECT_EQ(g_dem5Tiles[1].code, 51376091);
    EXPECT_EQ(g_dem5Tiles[1].bounds, (GeoRect{34.575, 137.0125, 34.583333333333336, 137.02499999999998}));
    EXPECT_GE(g_dem5Files.capacity(), 4u);  // count + 2 before the first record

    ASSERT_EQ(g_prefectures.size(), 47u);
    EXPECT_EQ(Cp932ToUtf8(g_prefectures[0].name), "北海道");
    EXPECT_EQ(Cp932ToUtf8(g_prefectures[46].name), "沖縄県");
    EXPECT_EQ(g_prefectures[22].index, 22);
}

TEST_F(CatalogueTest, DamagedRecordsAreReadOnlyAsFarAsTheyGo)
{
    // A count far beyond the content, a last record cut in half, and names without their NUL.
    Bytes content = Catalogue({{1, std::string(40, 'A'), std::string(32, 'B')},
                               {2, "FG-GML-5136-77-dem10b-20161001.xml", "z.zip"}},
                              1000000000);
    content.resize(content.size() - 30);
    LoadPrefectures();
    ReadDemCatalogue(DemEdition::Dem10m, content.data(), content.size());
    ASSERT_EQ(g_dem10Files.size(), 1u);
    EXPECT_EQ(g_dem10Files[0].xmlName.size(), 40u);
    EXPECT_EQ(g_dem10Files[0].zipName, std::string(32, 'B'));
    EXPECT_TRUE(g_dem10Tiles.empty());
    // A resource that cannot be inflated leaves the edition empty.
    res.Add(139, Bytes{0x78, 0x9C, 0x01});
    LoadDemCatalogue(DemEdition::Dem5m, block, blockSize);
    EXPECT_TRUE(g_dem5Files.empty());
    ReadDemCatalogue(DemEdition::Dem5m, content.data(), 3);
    EXPECT_TRUE(g_dem5Files.empty());
}

TEST_F(CatalogueTest, FiveMetreNamesStayInTheBlockWhichTheCatalogueKeeps)
{
    res.Add(139, Compress(Catalogue({
                     {22, "FG-GML-5137-60-90-DEM5A-20161001.xml", "FG-GML-5137-60-DEM5A.zip"},
                     {3, std::string("FG-GML-5137-60-91-DEM5A-") + std::string(16, '7'), std::string(32, 'Z')},
                 })));
    LoadDemCatalogue(DemEdition::Dem5m, block, blockSize);
    // The block now holds the names: the caller has nothing left to free or reuse.
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(blockSize, 0);
    ASSERT_EQ(g_dem5Files.size(), 2u);
    EXPECT_EQ(g_dem5Files[0].xmlName, "FG-GML-5137-60-90-DEM5A-20161001.xml");
    EXPECT_EQ(g_dem5Files[0].zipName, "FG-GML-5137-60-DEM5A.zip");
    // Fields without their NUL are cut at their width all the same.
    EXPECT_EQ(g_dem5Files[1].xmlName.size(), 40u);
    EXPECT_EQ(g_dem5Files[1].zipName, std::string(32, 'Z'));
    ASSERT_EQ(g_dem5Tiles.size(), 2u);
    EXPECT_EQ(g_dem5Tiles[1].code, 51376091);
    EXPECT_EQ(g_dem5Tiles[1].xmlName.c_str(), g_dem5Files[1].xmlName.c_str());
    // A second start-up block serves the next load; the names of both stay valid.
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1000000);
    blockSize = 1000000;
    LoadDemCatalogue(DemEdition::Dem5m, block, blockSize);
    ASSERT_EQ(g_dem5Files.size(), 4u);
    EXPECT_EQ(g_dem5Files[0].xmlName, g_dem5Files[2].xmlName);
    EXPECT_EQ(g_dem5Files[3].zipName, std::string(32, 'Z'));
}

TEST_F(CatalogueTest, LoadGeodataWithoutResourcesFillsOnlyThePrefectures)
{
    for (int id : {131, 132, 134, 138, 139, 148, 149, 150})
        res.Hide(id);
    LoadGeodata();
    EXPECT_EQ(g_prefectures.size(), 47u);
    EXPECT_TRUE(g_dem10Files.empty());
    EXPECT_TRUE(g_dem5Tiles.empty());
}
