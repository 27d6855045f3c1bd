#include "geodata/municipal.h"

#include "resource_builder.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

uint32_t Packed(double lon, double lat)
{
    return (static_cast<uint32_t>(std::lround((lon - 100) * 1000)) << 16) | static_cast<uint32_t>(std::lround(lat * 1000));
}

using Ring = std::vector<std::pair<double, double>>;

// One record of the municipal-area data set.
void PutArea(Bytes& b, int32_t pref, int32_t code, const std::string& upper, const std::string& name,
             const std::vector<Ring>& rings)
{
    PutInt32(b, pref);
    PutInt32(b, code);
    PutField(b, upper, 32);
    PutField(b, name, 32);
    PutInt32(b, static_cast<int32_t>(rings.size()));
    for (const Ring& r : rings) {
        PutInt32(b, static_cast<int32_t>(r.size()));
        for (auto [lon, lat] : r)
            PutInt32(b, static_cast<int32_t>(Packed(lon, lat)));
    }
}

Ring Square(double w, double s, double e, double n)
{
    return {{w, s}, {e, s}, {e, n}, {w, n}, {w, s}};
}

struct MunicipalTest : testing::Test {
    void SetUp() override { g_municipalAreas.clear(); }
    void TearDown() override { g_municipalAreas.clear(); }
};

TEST_F(MunicipalTest, RecordsAreReadWithTheirNamesAndBounds)
{
    Bytes b;
    PutInt32(b, 2);
    PutArea(b, 0, 1101, "\x8e\x44\x96\x79\x8e\x73", "\x92\x86\x89\x9b\x8b\xe6", {Square(141.0, 43.0, 141.5, 43.25)});
    PutArea(b, 12, 13101, "", "x", {Square(139.5, 35.5, 139.75, 35.75), Square(139.0, 35.0, 139.125, 35.125)});
    ReadMunicipalAreas(b.data(), b.size());
    ASSERT_EQ(g_municipalAreas.size(), 2u);
    EXPECT_EQ(g_municipalAreas[0].code, 1101);
    EXPECT_EQ(g_municipalAreas[0].upper, "\x8e\x44\x96\x79\x8e\x73");
    EXPECT_EQ(g_municipalAreas[1].prefecture, 12);
    EXPECT_EQ(g_municipalAreas[1].upper, "");
    ASSERT_EQ(g_municipalAreas[1].rings.size(), 2u);
    EXPECT_EQ(g_municipalAreas[1].bounds, (GeoRect{35.0, 139.0, 35.75, 139.75}));
    EXPECT_EQ(g_municipalAreas[1].rings[0][1], (GeoPoint{139.75, 35.5}));
}

TEST_F(MunicipalTest, ContentCutShortKeepsTheWholeRecordsOnly)
{
    Bytes b;
    PutInt32(b, 3);
    PutArea(b, 1, 2201, "", "a", {Square(140.0, 40.0, 140.5, 40.5)});
    PutArea(b, 1, 2202, "", "b", {Square(140.5, 40.0, 141.0, 40.5)});
    for (size_t cut = 0; cut < b.size(); ++cut) {
        g_municipalAreas.clear();
        ReadMunicipalAreas(b.data(), cut);
        EXPECT_LE(g_municipalAreas.size(), 2u);
    }
    g_municipalAreas.clear();
    ReadMunicipalAreas(b.data(), b.size());  // a count beyond the records
    EXPECT_EQ(g_municipalAreas.size(), 2u);
    g_municipalAreas.clear();
    Bytes bad;
    PutInt32(bad, 1);
    PutArea(bad, 1, 1, "", "c", {});
    bad[bad.size() - 4] = 0xFF;  // a negative ring count
    ReadMunicipalAreas(bad.data(), bad.size());
    EXPECT_TRUE(g_municipalAreas.empty());
}

MunicipalArea Area(const std::vector<Ring>& rings)
{
    Bytes b;
    PutInt32(b, 1);
    PutArea(b, 0, 1, "", "a", rings);
    g_municipalAreas.clear();
    ReadMunicipalAreas(b.data(), b.size());
    return g_municipalAreas.at(0);
}

TEST_F(MunicipalTest, InteriorsMustOverlapEdgesAndCornersDoNotCount)
{
    // An L: the square 140-141 x 40-41 without its north-east quarter.
    const MunicipalArea l =
        Area({{{140.0, 40.0}, {141.0, 40.0}, {141.0, 40.5}, {140.5, 40.5}, {140.5, 41.0}, {140.0, 41.0}, {140.0, 40.0}}});
    EXPECT_TRUE(AreaMeetsRectInterior(l, GeoRect{40.1, 140.1, 40.2, 140.2}));      // wholly inside
    EXPECT_TRUE(AreaMeetsRectInterior(l, GeoRect{39.0, 139.0, 42.0, 142.0}));      // wholly around
    EXPECT_TRUE(AreaMeetsRectInterior(l, GeoRect{40.4, 140.4, 40.6, 140.6}));      // over the inner corner
    EXPECT_FALSE(AreaMeetsRectInterior(l, GeoRect{40.5, 140.5, 41.0, 141.0}));     // the missing quarter exactly
    EXPECT_FALSE(AreaMeetsRectInterior(l, GeoRect{41.0, 140.0, 41.5, 140.5}));     // touching the north edge
    EXPECT_FALSE(AreaMeetsRectInterior(l, GeoRect{39.5, 141.0, 40.0, 141.5}));     // touching a corner only
    EXPECT_FALSE(AreaMeetsRectInterior(l, GeoRect{40.6, 140.6, 40.9, 140.9}));     // in the notch
    EXPECT_TRUE(AreaMeetsRectInterior(l, GeoRect{40.5 - 1e-6, 140.5, 41.0, 141.0})); // a sliver in
    // Edges that should coincide, a few bits apart.
    EXPECT_FALSE(AreaMeetsRectInterior(l, GeoRect{41.0 - 1e-12, 140.0, 41.5, 140.5}));
    EXPECT_FALSE(AreaMeetsRectInterior(l, GeoRect{40.3, 140.3, 40.3, 140.4}));     // no interior
}

TEST_F(MunicipalTest, HolesAndIslandsFollowTheEvenOddRule)
{
    const MunicipalArea a = Area({Square(140.0, 40.0, 141.0, 41.0), Square(140.25, 40.25, 140.75, 40.75),
                                  Square(142.0, 40.0, 142.25, 40.25)});
    EXPECT_FALSE(AreaMeetsRectInterior(a, GeoRect{40.3, 140.3, 40.7, 140.7}));   // in the hole
    EXPECT_FALSE(AreaMeetsRectInterior(a, GeoRect{40.25, 140.25, 40.75, 140.75})); // the hole exactly
    EXPECT_TRUE(AreaMeetsRectInterior(a, GeoRect{40.2, 140.3, 40.3, 140.4}));    // across the hole's edge
    EXPECT_TRUE(AreaMeetsRectInterior(a, GeoRect{40.1, 142.1, 40.2, 142.2}));    // on the island
    EXPECT_FALSE(AreaMeetsRectInterior(a, GeoRect{40.0, 141.5, 40.25, 141.9}));  // in the strait
    EXPECT_TRUE(AreaContains(a, GeoPoint{140.1, 40.1}));
    EXPECT_FALSE(AreaContains(a, GeoPoint{140.5, 40.5}));
    EXPECT_TRUE(AreaContains(a, GeoPoint{142.1, 40.1}));
}

} // namespace
