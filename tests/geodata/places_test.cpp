#include "geodata/boundary.h"
#include "geodata/places.h"
#include "platform/cp932.h"
#include "resource_builder.h"

#include <gtest/gtest.h>

TEST(KindFromName, TheLastCharacterDecides)
{
    EXPECT_EQ(KindFromName(Utf8ToCp932("八王子市")), kPlaceCity);
    EXPECT_EQ(KindFromName(Utf8ToCp932("中央区")), kPlaceWard);
    EXPECT_EQ(KindFromName(Utf8ToCp932("竹富町")), kPlaceTown);
    EXPECT_EQ(KindFromName(Utf8ToCp932("小笠原村")), kPlaceVillage);
    EXPECT_EQ(KindFromName(Utf8ToCp932("市場")), kPlaceOther);
    EXPECT_EQ(KindFromName("x"), kPlaceOther);  // shorter than two bytes: nothing before it is read
    EXPECT_EQ(KindFromName(""), kPlaceOther);
}

TEST(LoadPlaces, RecordsAsStoredWithKinds)
{
    ResourceScope res;
    res.Add(131, Gazetteer({{20.425665, 136.081019, Utf8ToCp932("小笠原村")},
                            {24.059626, 123.781582, Utf8ToCp932("竹富町")},
                            {35.67, 139.77, Utf8ToCp932("中央区")}}));
    res.Add(148, Gazetteer({{45.365655, 141.026688, Utf8ToCp932("礼文島") + "\r"}}));
    std::vector<PlaceEntry> towns, islands;
    LoadPlaces(131, towns, true);
    LoadPlaces(148, islands, false);
    ASSERT_EQ(towns.size(), 3u);
    EXPECT_EQ(towns[0].lat, 20.425665);
    EXPECT_EQ(towns[0].lon, 136.081019);
    EXPECT_EQ(towns[0].kind, kPlaceVillage);
    EXPECT_EQ(towns[1].kind, kPlaceTown);
    EXPECT_EQ(towns[2].kind, kPlaceWard);
    EXPECT_EQ(towns[0].screenPos, POINT{});
    EXPECT_EQ(Cp932ToUtf8(towns[0].name), "小笠原村");
    ASSERT_EQ(islands.size(), 1u);
    EXPECT_EQ(Cp932ToUtf8(islands[0].name), "礼文島\r");  // the carriage return is kept
    EXPECT_EQ(islands[0].kind, kPlaceFeature);
    // Loading appends.
    LoadPlaces(148, islands, false);
    EXPECT_EQ(islands.size(), 2u);
    // A missing resource leaves the collection as it was.
    std::vector<PlaceEntry> none;
    res.Hide(150);
    LoadPlaces(150, none, false);
    EXPECT_TRUE(none.empty());
}

TEST(LoadPlaces, DamagedRecordsAndLongNames)
{
    // Thirty-two bytes of kana and no NUL in the field: cut at a character boundary within 29.
    const std::string longName = Utf8ToCp932("あいうえおかきくけこさしすせそた");
    Bytes bytes = Gazetteer({{35, 139, longName}, {36, 140, "ab"}}, 50);
    bytes.resize(bytes.size() - 1);  // the second record is one byte short
    std::vector<PlaceEntry> places;
    ReadPlaces(bytes.data(), bytes.size(), places, true);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(std::string(places[0].name), Utf8ToCp932("あいうえおかきくけこさしすせ"));
    EXPECT_EQ(places[0].kind, kPlaceOther);
    Bytes negative = Gazetteer({{35, 139, "a"}}, -1);
    std::memset(negative.data(), 0xFF, 4);
    ReadPlaces(negative.data(), negative.size(), places, true);
    EXPECT_EQ(places.size(), 1u);
}

TEST(BoundaryLines, UnpackTheSampleAndStopAtTheFirstZeroCount)
{
    const BoundaryItem p = UnpackBoundaryPoint(0x9C39A267u);  // bytes 67 A2 39 9C
    EXPECT_EQ(p.x, 139.993);
    EXPECT_EQ(p.y, 41.575);
    Bytes content;
    PutInt32(content, 2);
    for (uint32_t v : {0x9C39A267u, 0x9CE4A2A0u, 0x9CE4A269u, 0x9CE4A2A0u}) {
        const auto* b = reinterpret_cast<const unsigned char*>(&v);
        content.insert(content.end(), b, b + 4);
    }
    PutInt32(content, 0);
    PutInt32(content, 3);  // after the zero: never read
    content.resize(content.size() + 20, 0x11);
    BoundaryItems().swap(g_boundaryPoints);
    ReadBoundaryLines(content.data(), content.size());
    ASSERT_EQ(g_boundaryPoints.size(), 5u);
    EXPECT_EQ(g_boundaryPoints[0].x, 0.0);
    EXPECT_EQ(g_boundaryPoints[0].y, 2.0);
    EXPECT_EQ(g_boundaryPoints[1].x, 139.993);
    EXPECT_EQ(g_boundaryPoints[2].x, 140.164);
    EXPECT_EQ(g_boundaryPoints[2].y, 41.632);
    EXPECT_EQ(g_boundaryPoints[3].y, 41.577);
    EXPECT_GE(g_boundaryPoints.capacity(), kBoundaryReserve);
}

TEST(BoundaryLines, APolylineCutOffByTheEndIsDroppedWhole)
{
    Bytes content;
    PutInt32(content, 1);
    for (int i = 0; i < 3; ++i)
        PutInt32(content, 0x9C39A267);
    PutInt32(content, 5);  // claims 5 vertices, has 2
    for (int i = 0; i < 4; ++i)
        PutInt32(content, 0x9C39A267);
    BoundaryItems().swap(g_boundaryPoints);
    ReadBoundaryLines(content.data(), content.size());
    EXPECT_EQ(g_boundaryPoints.size(), 4u);
    ReadBoundaryLines(content.data(), 2);  // not even a count
    EXPECT_EQ(g_boundaryPoints.size(), 4u);
}
