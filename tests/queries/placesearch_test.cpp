#include "queries/placesearch.h"
#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(SearchForm, EachSpellingFindsTheOther)
{
    const std::pair<const char*, const char*> alike[] = {
        {"霞ケ浦", "霞ヶ浦"}, {"槍ケ岳", "槍ヶ岳"}, {"駒ケ岳", "駒ヶ岳"}, {"関ヶ原町", "関ケ原町"},
        {"関ヵ原町", "関ケ原町"}, {"関カ原町", "関ケ原町"},   // the counter between kanji
        {"屛風岳", "屏風岳"}, {"鷗島", "鴎島"}, {"薬萊山", "薬莱山"}, {"髙島", "高島"}, {"宮﨑", "宮崎"},
        {"１８３９峰", "1839峰"}, {"ＡＢＣ", "ABC"}, {"ｱｿ", "アソ"}, {"ﾊﾟﾝｹ沼", "パンケ沼"},
        {"＜", "<"}, {"　東京都 ", "東京都"},
        {"シャリ", "シヤリ"}, {"きゃ", "きや"}, {"ㇷ゚", "プ"}, {"ッ", "ツ"},
    };
    for (const auto& [a, b] : alike)
        EXPECT_EQ(SearchForm(a), SearchForm(b)) << a << " " << b;
    // カ and ケ stay apart in kana words, and at the ends of a name.
    const std::pair<const char*, const char*> apart[] = {
        {"カムイ", "ケムイ"}, {"パンカ沼", "パンケ沼"}, {"霞カ", "霞ケ"}, {"カ岳", "ケ岳"}, {"東京", "京都"},
    };
    for (const auto& [a, b] : apart)
        EXPECT_NE(SearchForm(a), SearchForm(b)) << a << " " << b;
    EXPECT_EQ(SearchForm("  "), "");
}

namespace {

// Small gazetteers in place of the embedded ones, for one test.
struct TestGazetteers {
    std::vector<PlaceEntry> saved[4];
    TestGazetteers()
    {
        saved[0].swap(g_municipalities);
        saved[1].swap(g_islands);
        saved[2].swap(g_mountains);
        saved[3].swap(g_lakes);
    }
    ~TestGazetteers()
    {
        saved[0].swap(g_municipalities);
        saved[1].swap(g_islands);
        saved[2].swap(g_mountains);
        saved[3].swap(g_lakes);
    }
};

PlaceEntry Place(double lat, double lon, const char* utf8)
{
    PlaceEntry e;
    e.lat = lat;
    e.lon = lon;
    const std::string name = Utf8ToCp932(utf8);
    std::memcpy(e.name, name.data(), std::min(name.size(), sizeof e.name - 1));
    return e;
}

PlaceIndex Index()
{
    PlaceIndex index;
    index.prefectures = {Place(35.689521, 139.691704, "東京都"), Place(35.021041, 135.755607, "京都府")};
    index.sections = {{131, 0, {13, 1, 0}}, {148, 0, {13}}, {149, 0, {46, 19}}, {150, 0, {8}}};
    index.aliases = {{161, 0, Utf8ToCp932("東京")}, {161, 1, Utf8ToCp932("京都")}, {149, 0, Utf8ToCp932("北岳")}};
    return index;
}

std::vector<std::string> Lines(const std::vector<PlaceMatch>& found)
{
    std::vector<std::string> out;
    for (const PlaceMatch& m : found)
        out.push_back(PlaceMatchLine(m));
    return out;
}

} // namespace

TEST(FindPlaces, PrefecturesByTheirNamesAndEveryRowWithItsPrefecture)
{
    TestGazetteers scope;
    g_municipalities = {Place(35.670651, 139.772003, "中央区"), Place(43.055460, 141.340956, "中央区"),
                        Place(35.0, 135.0, "京都市")};
    g_islands = {Place(24.28, 153.98, "南鳥島\r")};
    g_mountains = {Place(31.5925, 130.656667, "桜島<御岳>"), Place(35.674, 138.238, "北岳")};
    g_lakes = {Place(36.0, 140.4, "霞ヶ浦")};
    const PlaceIndex index = Index();

    // Exact names first (the prefecture's short name is one of its names), then the ones that
    // contain the text.
    EXPECT_EQ(Lines(FindPlaces("京都", 50, index)),
              (std::vector<std::string>{"prefecture\t京都府\t35.021041\t135.755607\t5235-46-20\t京都府",
                                        "prefecture\t東京都\t35.689521\t139.691704\t5339-45-25\t東京都",
                                        "municipality\t京都市\t35.000000\t135.000000\t5235-40-00\t"}));
    EXPECT_EQ(Lines(FindPlaces("東京", 50, index)).at(0), "prefecture\t東京都\t35.689521\t139.691704\t5339-45-25\t東京都");
    EXPECT_EQ(Lines(FindPlaces("東京都", 50, index)).size(), 1u);
    // The two 中央区 told apart; the third municipality lies at sea: an empty last column.
    const std::vector<PlaceMatch> wards = FindPlaces("中央区", 50, index);
    ASSERT_EQ(wards.size(), 2u);
    EXPECT_EQ(wards[0].prefectureUtf8, "東京都");
    EXPECT_EQ(wards[1].prefectureUtf8, "北海道");
    g_municipalities[2] = Place(35.0, 139.5, "沖の町");
    EXPECT_EQ(Lines(FindPlaces("沖の町", 50, index)).at(0), "municipality\t沖の町\t35.000000\t139.500000\t5239-44-00\t");
    // Other names: 北岳 is exact for both mountains, in gazetteer order.
    const std::vector<PlaceMatch> kita = FindPlaces("北岳", 50, index);
    ASSERT_EQ(kita.size(), 2u);
    EXPECT_EQ(kita[0].nameUtf8, "桜島<御岳>");
    EXPECT_EQ(kita[0].prefectureUtf8, "鹿児島県");
    EXPECT_EQ(kita[1].prefectureUtf8, "山梨県");
    EXPECT_EQ(FindPlaces("桜島", 50, index).at(0).nameUtf8, "桜島<御岳>");
    // Each spelling of a name finds it; the island's line end is not part of its name.
    EXPECT_EQ(FindPlaces("霞ケ浦", 50, index).at(0).prefectureUtf8, "茨城県");
    EXPECT_EQ(FindPlaces("南鳥島", 50, index).at(0).nameUtf8, "南鳥島");
    EXPECT_TRUE(FindPlaces("", 50, index).empty());
    EXPECT_TRUE(FindPlaces("　", 50, index).empty());
    EXPECT_EQ(FindPlaces("都", 1, index).size(), 1u);
}

TEST(FindPlaces, WithoutAnIndexOnlyTheGazetteersAndNoPrefectures)
{
    TestGazetteers scope;
    g_municipalities = {Place(35.670651, 139.772003, "中央区")};
    const PlaceIndex none;
    ASSERT_EQ(FindPlaces("中央", 50, none).size(), 1u);
    EXPECT_EQ(FindPlaces("中央", 50, none)[0].prefectureUtf8, "");
    EXPECT_TRUE(FindPlaces("東京", 50, none).empty());
}
