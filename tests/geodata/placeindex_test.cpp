#include "geodata/adler32.h"
#include "geodata/placeindex.h"
#include "platform/cp932.h"
#include "resource_builder.h"

#include <gtest/gtest.h>

namespace {

struct IndexAlias {
    int16_t resource;
    uint16_t index;
    std::string name;  // CP932
};

// Resource 161 as the data build writes it: prefectures, four sections, aliases.
Bytes PlaceIndexBytes(const std::vector<PlaceRecord>& prefectures, const std::vector<uint32_t>& adlers,
                      const std::vector<Bytes>& sections, const std::vector<IndexAlias>& aliases)
{
    Bytes b = Gazetteer(prefectures);
    const int ids[] = {131, 148, 149, 150};
    for (size_t i = 0; i < 4; ++i) {
        PutInt32(b, ids[i]);
        PutInt32(b, static_cast<int32_t>(adlers[i]));
        PutInt32(b, static_cast<int32_t>(sections[i].size()));
        b.insert(b.end(), sections[i].begin(), sections[i].end());
    }
    PutInt32(b, static_cast<int32_t>(aliases.size()));
    for (const IndexAlias& a : aliases) {
        const auto* r = reinterpret_cast<const unsigned char*>(&a.resource);
        const auto* x = reinterpret_cast<const unsigned char*>(&a.index);
        b.insert(b.end(), r, r + 2);
        b.insert(b.end(), x, x + 2);
        PutField(b, a.name, 32);
    }
    return b;
}

uint32_t AdlerOf(const Bytes& b)
{
    return Adler32(1, b.data(), b.size());
}

} // namespace

TEST(PlaceIndex, ReadsPrefecturesSectionsAndAliases)
{
    const Bytes bytes = PlaceIndexBytes({{35.689521, 139.691704, Utf8ToCp932("東京都")}}, {1, 2, 3, 4},
                                        {{13, 0}, {}, {46}, {}}, {{161, 0, Utf8ToCp932("東京")}, {149, 0, ""}});
    PlaceIndex index;
    ASSERT_TRUE(ReadPlaceIndex(bytes.data(), bytes.size(), index));
    ASSERT_EQ(index.prefectures.size(), 1u);
    EXPECT_EQ(index.prefectures[0].lat, 35.689521);
    EXPECT_EQ(Cp932ToUtf8(index.prefectures[0].name), "東京都");
    EXPECT_EQ(PrefectureOfRecord(index, 131, 0), 13);
    EXPECT_EQ(PrefectureOfRecord(index, 131, 1), 0);  // at sea
    EXPECT_EQ(PrefectureOfRecord(index, 131, 2), 0);  // past the section
    EXPECT_EQ(PrefectureOfRecord(index, 149, 0), 46);
    EXPECT_EQ(PrefectureOfRecord(index, 150, 0), 0);
    EXPECT_EQ(index.sections[2].adler, 3u);
    // An empty alias says nothing and is not kept.
    ASSERT_EQ(index.aliases.size(), 1u);
    EXPECT_EQ(index.aliases[0].resource, 161);
    EXPECT_EQ(Cp932ToUtf8(index.aliases[0].name), "東京");
}

TEST(PlaceIndex, DamagedDataGivesAnEmptyIndex)
{
    const Bytes good = PlaceIndexBytes({{35.0, 139.0, "A"}}, {1, 2, 3, 4}, {{1}, {2}, {3}, {4}}, {{131, 0, "x"}});
    PlaceIndex index;
    // Every cut, and one byte too many.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(ReadPlaceIndex(good.data(), n, index)) << n;
        EXPECT_TRUE(index.prefectures.empty() && index.sections.empty() && index.aliases.empty()) << n;
    }
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_FALSE(ReadPlaceIndex(longer.data(), longer.size(), index));
    EXPECT_FALSE(ReadPlaceIndex(nullptr, 0, index));
    // A prefecture number past 47, sections out of order, an alias of a prefecture not there.
    EXPECT_FALSE(ReadPlaceIndex(PlaceIndexBytes({}, {1, 2, 3, 4}, {{48}, {}, {}, {}}, {}).data(),
                                PlaceIndexBytes({}, {1, 2, 3, 4}, {{48}, {}, {}, {}}, {}).size(), index));
    Bytes swapped = PlaceIndexBytes({}, {1, 2, 3, 4}, {{}, {}, {}, {}}, {});
    swapped[4] = 148;  // the first section claims to describe the islands
    EXPECT_FALSE(ReadPlaceIndex(swapped.data(), swapped.size(), index));
    const Bytes stray = PlaceIndexBytes({}, {1, 2, 3, 4}, {{}, {}, {}, {}}, {{161, 0, "x"}});
    EXPECT_FALSE(ReadPlaceIndex(stray.data(), stray.size(), index));
    // A huge count is refused before anything is read.
    Bytes huge = good;
    huge[3] = 0x7F;
    EXPECT_FALSE(ReadPlaceIndex(huge.data(), huge.size(), index));
    EXPECT_TRUE(ReadPlaceIndex(good.data(), good.size(), index));
}

TEST(PlaceIndex, OnlySectionsOfTheEmbeddedGazetteersCount)
{
    ResourceScope res;
    const Bytes towns = Gazetteer({{35.67, 139.77, Utf8ToCp932("中央区")}});
    const Bytes mountains = Gazetteer({{31.59, 130.66, Utf8ToCp932("桜島<御岳>")}});
    res.Add(131, towns);
    res.Add(149, mountains);
    // The islands' section was computed from other bytes; the lakes are not embedded.
    res.Add(161, PlaceIndexBytes({}, {AdlerOf(towns), 12345, AdlerOf(mountains), 1}, {{13}, {1}, {46}, {25}},
                                 {{149, 0, Utf8ToCp932("北岳")}, {148, 0, "x"}}));
    res.Add(148, Gazetteer({{24.0, 123.0, "y"}}));
    res.Hide(150);
    PlaceIndex index;
    ASSERT_TRUE(LoadPlaceIndex(index));
    EXPECT_EQ(PrefectureOfRecord(index, 131, 0), 13);
    EXPECT_EQ(PrefectureOfRecord(index, 149, 0), 46);
    EXPECT_EQ(PrefectureOfRecord(index, 148, 0), 0);
    EXPECT_EQ(PrefectureOfRecord(index, 150, 0), 0);
    ASSERT_EQ(index.aliases.size(), 1u);  // the islands' alias went with their section
    EXPECT_EQ(index.aliases[0].resource, 149);
    res.Hide(161);
    EXPECT_FALSE(LoadPlaceIndex(index));
    EXPECT_TRUE(index.sections.empty());
}
