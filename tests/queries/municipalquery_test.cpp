#include "queries/municipalquery.h"

#include "geodata/catalogue.h"
#include "geodata/geodata.h"
#include "geodata/meshcode.h"
#include "platform/cp932.h"
#include "platform/kernel.h"

#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_geometry.h>

#include <memory>
#include <set>
#include <tuple>

namespace {

MunicipalArea Named(int32_t pref, int32_t code, const char* upper, const char* name)
{
    MunicipalArea a;
    a.prefecture = pref;
    a.code = code;
    a.upper = Utf8ToCp932(upper);
    a.name = Utf8ToCp932(name);
    return a;
}

std::vector<MunicipalArea> Areas()
{
    return {Named(0, 1101, "札幌市", "中央区"), Named(0, 1102, "札幌市", "北区"), Named(11, 12101, "千葉市", "中央区"),
            Named(12, 13102, "", "中央区"),     Named(12, 13206, "", "府中市"),   Named(33, 34208, "", "府中市"),
            Named(13, 14382, "足柄下郡", "箱根町"), Named(12, 13101, "", "千代田区")};
}

std::vector<int32_t> Codes(const MunicipalityMatch& m)
{
    std::vector<int32_t> codes;
    for (const MunicipalArea* a : m.areas)
        codes.push_back(a->code);
    return codes;
}

TEST(MunicipalityNames, OnePlaceGivesItsAreas)
{
    const std::vector<MunicipalArea> areas = Areas();
    EXPECT_EQ(Codes(FindMunicipality("箱根町", std::nullopt, areas)), std::vector<int32_t>{14382});
    EXPECT_EQ(Codes(FindMunicipality("足柄下郡箱根町", std::nullopt, areas)), std::vector<int32_t>{14382});
    EXPECT_EQ(Codes(FindMunicipality("千代田区", std::nullopt, areas)), std::vector<int32_t>{13101});
    EXPECT_EQ(Codes(FindMunicipality("札幌市中央区", std::nullopt, areas)), std::vector<int32_t>{1101});
    EXPECT_EQ(Codes(FindMunicipality("札幌市", std::nullopt, areas)), (std::vector<int32_t>{1101, 1102}));
    // The prefecture leaves one of several.
    EXPECT_EQ(Codes(FindMunicipality("府中市", 33, areas)), std::vector<int32_t>{34208});
    EXPECT_EQ(Codes(FindMunicipality("中央区", 12, areas)), std::vector<int32_t>{13102});
}

TEST(MunicipalityNames, SeveralPlacesAreCandidatesInPrefectureOrder)
{
    const std::vector<MunicipalArea> areas = Areas();
    const MunicipalityMatch central = FindMunicipality("中央区", std::nullopt, areas);
    EXPECT_TRUE(central.areas.empty());
    EXPECT_EQ(central.candidates,
              (std::vector<std::string>{"札幌市中央区 (北海道)", "千葉市中央区 (千葉県)", "中央区 (東京都)"}));
    const MunicipalityMatch fuchu = FindMunicipality("府中市", std::nullopt, areas);
    EXPECT_EQ(fuchu.candidates, (std::vector<std::string>{"府中市 (東京都)", "府中市 (広島県)"}));
    EXPECT_TRUE(fuchu.suggestions.empty());
}

TEST(MunicipalityNames, UnknownNamesGetTheNearestNames)
{
    const std::vector<MunicipalArea> areas = Areas();
    const MunicipalityMatch m = FindMunicipality("箱根", std::nullopt, areas);
    EXPECT_TRUE(m.areas.empty());
    EXPECT_TRUE(m.candidates.empty());
    ASSERT_FALSE(m.suggestions.empty());
    EXPECT_EQ(m.suggestions[0], "箱根町 (神奈川県)");
    EXPECT_LE(m.suggestions.size(), 5u);
    EXPECT_EQ(FindMunicipality("札幌", std::nullopt, areas).suggestions.at(0), "札幌市 (北海道)");
    // Names that share nothing with it are no suggestion.
    EXPECT_EQ(FindMunicipality("箱根", std::nullopt, areas).suggestions, std::vector<std::string>{"箱根町 (神奈川県)"});
    EXPECT_TRUE(FindMunicipality("ＺＺ", std::nullopt, areas).suggestions.empty());
    // A name that is there, but not in the prefecture given.
    const MunicipalityMatch elsewhere = FindMunicipality("箱根町", 0, areas);
    EXPECT_TRUE(elsewhere.areas.empty());
    EXPECT_EQ(elsewhere.suggestions.at(0), "箱根町 (神奈川県)");
}

TEST(MunicipalityNames, PrefecturesByNameOrNumber)
{
    EXPECT_EQ(ParsePrefecture("北海道"), 0);
    EXPECT_EQ(ParsePrefecture("東京都"), 12);
    EXPECT_EQ(ParsePrefecture("13"), 12);
    EXPECT_EQ(ParsePrefecture("1"), 0);
    EXPECT_EQ(ParsePrefecture("47"), 46);
    for (const char* bad : {"0", "48", "", "-1", "013", "1x", "沖", "東", "京", "東京都庁", "府"})
        EXPECT_EQ(ParsePrefecture(bad), std::nullopt) << bad;
}

TEST(MunicipalityNames, PrefecturesAsPeopleSayThem)
{
    // Without 都, 道, 府 or 県, as the place search takes them.
    EXPECT_EQ(ParsePrefecture("東京"), 12);
    EXPECT_EQ(ParsePrefecture("神奈川"), 13);
    EXPECT_EQ(ParsePrefecture("京都"), 25);
    EXPECT_EQ(ParsePrefecture("大阪"), 26);
    EXPECT_EQ(ParsePrefecture("沖縄"), 46);
    // Blanks around, full-width digits.
    EXPECT_EQ(ParsePrefecture(" 東京都　"), 12);
    EXPECT_EQ(ParsePrefecture("１３"), 12);
}

TEST(MunicipalityNames, NamesAsPeopleWriteThemAreTakenApart)
{
    auto read = [](const char* text) {
        const MunicipalityName n = ReadMunicipalityName(text);
        return std::make_pair(n.name, n.prefecture);
    };
    using P = std::pair<std::string, std::optional<int32_t>>;
    EXPECT_EQ(read("東京都北区"), (P{"北区", 12}));
    EXPECT_EQ(read("神奈川県足柄下郡箱根町"), (P{"足柄下郡箱根町", 13}));
    EXPECT_EQ(read("伊達市 (北海道)"), (P{"伊達市", 0}));
    EXPECT_EQ(read("伊達市（福島県）"), (P{"伊達市", 6}));
    EXPECT_EQ(read(" 箱根町 "), (P{"箱根町", std::nullopt}));
    EXPECT_EQ(read("　箱根町　"), (P{"箱根町", std::nullopt}));
    // 京都市 is a city of 京都府, not 都市 of 京都; brackets that name no prefecture stay.
    EXPECT_EQ(read("京都市北区"), (P{"京都市北区", std::nullopt}));
    EXPECT_EQ(read("京都府京都市北区"), (P{"京都市北区", 25}));
    EXPECT_EQ(read("北区 (東)"), (P{"北区 (東)", std::nullopt}));
    EXPECT_EQ(read("東京都"), (P{"東京都", std::nullopt}));
}

TEST(MunicipalityNames, APrefectureWrittenWithTheNameChoosesAmongPlaces)
{
    std::vector<MunicipalArea> areas = Areas();
    areas.push_back(Named(12, 13117, "", "北区"));
    areas.push_back(Named(25, 26101, "京都市", "北区"));
    areas.push_back(Named(0, 1233, "", "伊達市"));
    areas.push_back(Named(6, 7213, "", "伊達市"));
    EXPECT_EQ(Codes(FindMunicipality("東京都北区", std::nullopt, areas)), std::vector<int32_t>{13117});
    EXPECT_EQ(Codes(FindMunicipality("京都府京都市北区", std::nullopt, areas)), std::vector<int32_t>{26101});
    EXPECT_EQ(Codes(FindMunicipality("神奈川県箱根町", std::nullopt, areas)), std::vector<int32_t>{14382});
    EXPECT_EQ(Codes(FindMunicipality("伊達市 (北海道)", std::nullopt, areas)), std::vector<int32_t>{1233});
    EXPECT_EQ(Codes(FindMunicipality(" 箱根町　", std::nullopt, areas)), std::vector<int32_t>{14382});
    // The candidates' own form, fed back, is the one place.
    for (const std::string& label : FindMunicipality("伊達市", std::nullopt, areas).candidates)
        EXPECT_EQ(FindMunicipality(label, std::nullopt, areas).areas.size(), 1u) << label;
    // Written and given prefectures that differ leave nothing.
    EXPECT_TRUE(FindMunicipality("東京都北区", 25, areas).areas.empty());
    EXPECT_EQ(Codes(FindMunicipality("東京都北区", 12, areas)), std::vector<int32_t>{13117});
}

TEST(MunicipalityNames, SuggestionsNameThePlacesOfTheNamedPrefectureFirst)
{
    std::vector<MunicipalArea> areas = Areas();
    areas.push_back(Named(25, 26101, "京都市", "北区"));
    areas.push_back(Named(12, 13117, "", "北区"));
    areas.push_back(Named(12, 13123, "", "江戸川区"));
    const MunicipalityMatch m = FindMunicipality("東京都北く", std::nullopt, areas);
    ASSERT_TRUE(m.areas.empty());
    ASSERT_FALSE(m.suggestions.empty());
    EXPECT_EQ(m.suggestions[0], "北区 (東京都)");
    // Given beside the name, the same.
    EXPECT_EQ(FindMunicipality("北く", 12, areas).suggestions.at(0), "北区 (東京都)");
    // Without a prefecture the nearest come first, whatever their prefecture.
    EXPECT_EQ(FindMunicipality("京都市北く", std::nullopt, areas).suggestions.at(0), "京都市北区 (京都府)");
}

// The embedded polygons against GDAL's own geometry engine: a square is taken when its
// intersection with the area has an area.
struct EmbeddedMunicipalities : testing::Test {
    static void SetUpTestSuite()
    {
        g_hInstance = GetModuleHandle(nullptr);
        ClearGeodata();
        LoadGeodata();
        LoadMunicipalAreas();
    }
    static void TearDownTestSuite() { ClearGeodata(); }

    // Even-odd over the rings, as the data means them.
    static std::unique_ptr<OGRGeometry> Geometry(const MunicipalArea& a)
    {
        std::unique_ptr<OGRGeometry> all;
        for (const auto& ring : a.rings) {
            auto r = std::make_unique<OGRLinearRing>();
            for (const GeoPoint& p : ring)
                r->addPoint(p.lon, p.lat);
            OGRPolygon poly;
            poly.addRingDirectly(r.release());
            std::unique_ptr<OGRGeometry> valid(poly.MakeValid());
            all = all ? std::unique_ptr<OGRGeometry>(all->SymDifference(valid.get())) : std::move(valid);
        }
        return all;
    }

    static void Compare(const char* name)
    {
        const MunicipalityMatch m = FindMunicipality(name, std::nullopt, g_municipalAreas);
        ASSERT_EQ(m.areas.size(), 1u) << name;
        const MunicipalArea& a = *m.areas[0];
        const std::unique_ptr<OGRGeometry> geometry = Geometry(a);
        ASSERT_TRUE(geometry);
        std::set<std::tuple<DemEdition, int32_t, std::string_view>> expected, got;
        for (const AreaFile& f : FindMunicipalityFiles(m.areas, EditionChoice::Both))
            got.emplace(f.edition, f.prefecture, f.xmlName);
        for (const DemEdition ed : {DemEdition::Dem10m, DemEdition::Dem5m})
            for (const DemFileEntry& e : ed == DemEdition::Dem10m ? g_dem10Files : g_dem5Files) {
                const auto code = MeshCodeFromXmlName(e.xmlName.view(), ed);
                GeoRect r;
                if (!code || !MeshCodeToRect(*code, r) || r.north <= a.bounds.south || r.south >= a.bounds.north ||
                    r.east <= a.bounds.west || r.west >= a.bounds.east)
                    continue;
                OGRPolygon square;
                auto ring = std::make_unique<OGRLinearRing>();
                for (auto [x, y] : {std::pair{r.west, r.south}, {r.east, r.south}, {r.east, r.north}, {r.west, r.north},
                                    {r.west, r.south}})
                    ring->addPoint(x, y);
                square.addRingDirectly(ring.release());
                const std::unique_ptr<OGRGeometry> both(geometry->Intersection(&square));
                // Touching leaves a line or a point, which has no area.
                const auto type = both ? wkbFlatten(both->getGeometryType()) : wkbUnknown;
                const bool surface = type == wkbPolygon || type == wkbMultiPolygon || type == wkbGeometryCollection;
                if (surface && OGR_G_Area(OGRGeometry::ToHandle(both.get())) > 1e-12)
                    expected.emplace(ed, e.prefecture, e.xmlName.view());
            }
        EXPECT_FALSE(expected.empty()) << name;
        EXPECT_EQ(got, expected) << name;
    }
};

TEST_F(EmbeddedMunicipalities, IslandsAndHolesAgreeWithAnIndependentOverlapTest)
{
    ASSERT_GT(g_municipalAreas.size(), 1800u);
    Compare("箱根町");
    Compare("五島市");    // twenty islands
    Compare("寒河江市");  // a ring with a hole
    Compare("千代田区");
}

TEST_F(EmbeddedMunicipalities, PrefectureRowsAreTheCataloguesOwn)
{
    size_t rows10 = 0;
    for (const DemFileEntry& e : g_dem10Files)
        rows10 += e.prefecture == 13;
    const std::vector<AreaFile> kanagawa = FindPrefectureFiles(13, EditionChoice::Dem10m);
    EXPECT_EQ(kanagawa.size(), rows10);
    EXPECT_TRUE(std::all_of(kanagawa.begin(), kanagawa.end(), [](const AreaFile& f) { return f.prefecture == 13; }));
    // A whole designated city is all its wards.
    const MunicipalityMatch sapporo = FindMunicipality("札幌市", std::nullopt, g_municipalAreas);
    EXPECT_EQ(sapporo.areas.size(), 10u);
    const MunicipalityMatch central = FindMunicipality("中央区", std::nullopt, g_municipalAreas);
    EXPECT_GE(central.candidates.size(), 5u);
}

} // namespace
