#include "geodata/meshcode.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace {

GeoRect Rect(MeshCode code)
{
    GeoRect r{1, 2, 3, 4};
    EXPECT_TRUE(MeshCodeToRect(code, r)) << code;
    return r;
}

} // namespace

TEST(MeshCodeToRect, SecondAndThirdLevelSquaresMatchTheDigitsBitForBit)
{
    const GeoRect a = Rect(533945);
    EXPECT_EQ(a.south, 35.66666666666667);
    EXPECT_EQ(a.west, 139.625);
    EXPECT_EQ(a.north, 35.75000000000001);
    EXPECT_EQ(a.east, 139.75);

    const GeoRect b = Rect(53394567);
    EXPECT_EQ(b.south, 35.71666666666667);
    EXPECT_EQ(b.west, 139.7125);
    EXPECT_EQ(b.north, 35.725);
    EXPECT_EQ(b.east, 139.725);

    const GeoRect c = Rect(303600);
    EXPECT_EQ(c.south, 20.0);
    EXPECT_EQ(c.west, 136.0);
    EXPECT_EQ(c.north, 20.083333333333332);
    EXPECT_EQ(c.east, 136.125);

    // Catalogue samples: the first 10 m tile and the second 5 m tile.
    const GeoRect d = Rect(513677);
    EXPECT_EQ(d.south, 34.583333333333336);
    EXPECT_EQ(d.west, 136.875);
    EXPECT_EQ(d.north, 34.66666666666667);
    EXPECT_EQ(d.east, 137.0);
    const GeoRect e = Rect(51376091);
    EXPECT_EQ(e.south, 34.575);
    EXPECT_EQ(e.west, 137.0125);
    EXPECT_EQ(e.north, 34.583333333333336);
    EXPECT_EQ(e.east, 137.02499999999998);
}

TEST(MeshCodeToRect, NorthEdgeIsSouthPlusOneStepNotTheNextRowsSouth)
{
    // The 16-decimal step lies below 1/12, so the north edge of row 4 differs from row 5's south.
    EXPECT_NE(Rect(533945).north, Rect(533955).south);
    // Digits 8 and 9 are taken as they are.
    EXPECT_EQ(Rect(533990).south, 53 / 1.5 + 9 * 0.0833333333333333);
}

// The formula evaluated on the "%d" text at run time, digit by digit, for comparison.
GeoRect RectFromText(MeshCode code)
{
    char t[16];
    const int n = std::snprintf(t, sizeof t, "%d", code);
    char two[3] = {};
    auto pair = [&](int at) { two[0] = t[at], two[1] = t[at + 1]; return std::atoi(two); };
    auto one = [&](int at) { return t[at] - '0'; };
    volatile double step2 = 0.0833333333333333, step3 = 0.0083333333333333;
    const double lat1 = pair(0) / 1.5, lon1 = pair(2) + 100, lat2 = one(4) * step2, lon2 = one(5) * 0.125;
    GeoRect r;
    if (n == 6) {
        r.south = lat2 + lat1, r.west = lon2 + lon1;
        r.north = r.south + step2, r.east = r.west + 0.125;
    } else {
        r.south = (lat2 + lat1) + one(6) * step3, r.west = (lon2 + lon1) + one(7) * 0.0125;
        r.north = r.south + step3, r.east = r.west + 0.0125;
    }
    return r;
}

TEST(MeshCodeToRect, EveryCodeGivesTheFormulasDoubles)
{
    for (MeshCode code = 100000; code <= 999999; ++code)
        ASSERT_EQ(Rect(code), RectFromText(code)) << code;
    for (MeshCode code = 10000000; code <= 99999999; code += 97)
        ASSERT_EQ(Rect(code), RectFromText(code)) << code;
    for (MeshCode code : {10000000, 99999999, 36230000, 68479999})
        ASSERT_EQ(Rect(code), RectFromText(code)) << code;
    // Negative codes of six or eight characters read their groups through the leading integer:
    // "-12345" gives the pair -1, then 23, 4 and 5.
    GeoRect r;
    ASSERT_TRUE(MeshCodeToRect(-12345, r));
    EXPECT_EQ(r.south, 4 * 0.0833333333333333 + -1 / 1.5);
    EXPECT_EQ(r.west, 5 * 0.125 + (23 + 100));
}

TEST(MeshCodeToRect, OtherLengthsAreRefusedWithAnAllZeroRect)
{
    for (MeshCode code : {0, 5339, 53394, 5339456, 533945678, 2147483647, -5339, 7}) {
        GeoRect r{1, 2, 3, 4};
        EXPECT_FALSE(MeshCodeToRect(code, r)) << code;
        EXPECT_EQ(r, GeoRect{}) << code;
    }
}

TEST(PointToMeshCodes, ExamplesOfTheReadout)
{
    EXPECT_EQ(PointToMeshCodes(35.681236, 139.767125), (MeshCodeParts{5339, 46, 11}));
    EXPECT_EQ(PointToMeshCodes(35.7, 139.7), (MeshCodeParts{5339, 45, 45}));
    EXPECT_EQ(PointToMeshCodes(34.0, 135.0), (MeshCodeParts{5135, 0, 0}));
    EXPECT_EQ(PointToMeshCodes(35.6895, 139.6920), (MeshCodeParts{5339, 45, 25}));
    EXPECT_EQ(PointToMeshCodes(35.0, 105.5).first, 525);
}

TEST(PointToMeshCodes, ReadoutRowBoundariesLieSouthOfTheTileBoundaries)
{
    // 8 x 0.08333 falls short of 2/3: just below a first-level edge the row reads 8.
    EXPECT_EQ(PointToMeshCodes(35.99998, 139.5), (MeshCodeParts{5339, 84, 0}));
    const MeshCodeParts p = PointToMeshCodes(35.583332, 139.5);
    EXPECT_EQ(p.first, 5339);
    EXPECT_EQ(p.second, 34);
    EXPECT_EQ(p.third, 0);
    GeoRect r = Rect(533924);
    EXPECT_GE(35.583332, r.south);
    EXPECT_LT(35.583332, r.north);
}

TEST(PointToMeshCodes, NegativeDigitsEndTheLeadingInteger)
{
    // P = 53 and Q = -1 format as "53-1", read as 53.
    EXPECT_EQ(PointToMeshCodes(35.5, 99.5).first, 53);
    // South of the equator P itself is negative: "-1" followed by the longitude digits.
    EXPECT_EQ(PointToMeshCodes(-0.5, 139.5).first, -139);
    EXPECT_EQ(LeadingInteger("-1-5"), -1);
    EXPECT_EQ(LeadingInteger("x12"), 0);
    EXPECT_EQ(LeadingInteger("99999999999999"), 2147483647);
    EXPECT_EQ(LeadingInteger("-99999999999999"), -2147483647 - 1);
}

TEST(PointToMeshCodes, NonFiniteAndEnormousInputsGiveDefinedCodes)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(PointToMeshCodes(nan, nan), (MeshCodeParts{0, 0, 0}));
    const MeshCodeParts big = PointToMeshCodes(1e300, 1e300);
    EXPECT_EQ(big.first, 2147483647);  // the text starts with the saturated P
    const MeshCodeParts neg = PointToMeshCodes(-inf, 139.0);
    EXPECT_EQ(neg.first, -2147483647 - 1);
    EXPECT_EQ(TruncToInt(-0.7), 0);
    EXPECT_EQ(TruncToInt(-1.3), -1);
    EXPECT_EQ(TruncToInt(3e9), 2147483647);
    EXPECT_EQ(TruncToInt(nan), 0);
}
