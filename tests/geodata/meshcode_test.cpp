#include "geodata/meshcode.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <utility>

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

// The standard grid read with integers alone: a third-level row is 1/120 degree, a column 1/80
// degree; a first-level square 80 rows by 80 columns, a second-level one 10 by 10. Points are
// n / scale degrees exactly, before any double is made of them.
MeshCodeParts GridReading(int64_t latN, int64_t lonN, int64_t scale)
{
    auto floorDiv = [](int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
    const int64_t row = floorDiv(latN * 120, scale), column = floorDiv(lonN * 80, scale);
    return MeshCodeParts{static_cast<int32_t>(row / 80 * 100 + column / 80 - 100),
                         static_cast<int32_t>(row % 80 / 10 * 10 + column % 80 / 10),
                         static_cast<int32_t>(row % 10 * 10 + column % 10)};
}

std::optional<MeshCodeParts> Code(double lat, double lon)
{
    return PointToMeshCodes(lat, lon);
}

TEST(PointToMeshCodes, TypedDecimalsLandInTheSquareTheyName)
{
    EXPECT_EQ(Code(35.681236, 139.767125), (MeshCodeParts{5339, 46, 11}));
    EXPECT_EQ(Code(35.6895, 139.6920), (MeshCodeParts{5339, 45, 25}));
    EXPECT_EQ(Code(35.7, 139.7), (MeshCodeParts{5339, 45, 46}));
    // 139.7 is a third-level west edge; its double lies below it.
    EXPECT_EQ(Code(35.5, 139.7), (MeshCodeParts{5339, 25, 6}));
    EXPECT_EQ(Code(34.0, 135.0), (MeshCodeParts{5135, 0, 0}));
    EXPECT_EQ(Code(36.0, 140.0), (MeshCodeParts{5440, 0, 0}));
    EXPECT_EQ(Code(35.360556, 138.727778), (MeshCodeParts{5338, 5, 38}));
    // Every point at 1/1000 degree over the grid's latitudes and longitudes, against the integers.
    for (int64_t n = 20000; n < 46000; ++n) {
        ASSERT_EQ(Code(n / 1000.0, 139.7), GridReading(n, 139700, 1000)) << n;
        ASSERT_EQ(Code(n / 1000.0, 122.0), GridReading(n, 122000, 1000)) << n;
    }
    for (int64_t m = 122000; m < 154000; ++m) {
        ASSERT_EQ(Code(35.5, m / 1000.0), GridReading(35500, m, 1000)) << m;
        ASSERT_EQ(Code(36.0, m / 1000.0), GridReading(36000, m, 1000)) << m;
    }
}

TEST(PointToMeshCodes, EdgesOfEveryLevelBelongToTheSquareNorthAndEastOfThem)
{
    // Every third-level row edge of the grid (first- and second-level edges among them), and
    // every column edge: on it, within the tolerance south or west of it, and clearly off it.
    for (int64_t row = 20 * 120; row < 46 * 120; ++row) {
        const double edge = row / 120.0;
        const MeshCodeParts on = GridReading(row, 16740, 120);
        ASSERT_EQ(Code(edge, 139.5), on) << row;
        ASSERT_EQ(Code(edge - 0.5e-9, 139.5), on) << row;
        ASSERT_EQ(Code(edge + 1e-7, 139.5), on) << row;
        if (row > 20 * 120) {
            ASSERT_EQ(Code(edge - 1e-7, 139.5), GridReading(row - 1, 16740, 120)) << row;
        }
        // The square named contains the point by MeshCodeToRect's own rectangle.
        const MeshCode code = (on.first * 100 + on.second) * 100 + on.third;
        const GeoRect r = Rect(code);
        ASSERT_GE(edge, r.south - kEdgeTolerance) << code;
        ASSERT_LT(edge, r.north - kEdgeTolerance) << code;
    }
    for (int64_t column = 122 * 80; column < 154 * 80; ++column) {
        const double edge = column / 80.0;
        const MeshCodeParts on = GridReading(2844, column, 80);
        ASSERT_EQ(Code(35.55, edge), on) << column;
        ASSERT_EQ(Code(35.55, edge - 0.5e-9), on) << column;
        ASSERT_EQ(Code(35.55, edge + 1e-7), on) << column;
        if (column > 122 * 80) {
            ASSERT_EQ(Code(35.55, edge - 1e-7), GridReading(2844, column - 1, 80)) << column;
        }
    }
}

TEST(PointToMeshCodes, JustBelowAFirstLevelEdgeTheRowIsSevenNeverEight)
{
    EXPECT_EQ(Code(35.99998, 139.5), (MeshCodeParts{5339, 74, 90}));
    EXPECT_EQ(Code(35.583332, 139.5), (MeshCodeParts{5339, 24, 90}));
    // A point a tenth of a millimetre south of an edge is on it; a metre south is not.
    EXPECT_EQ(Code(36.0 - 0.9e-9, 139.5), (MeshCodeParts{5439, 4, 0}));
    EXPECT_EQ(Code(36.0 - 1e-5, 139.5), (MeshCodeParts{5339, 74, 90}));
    EXPECT_EQ(Code(35.5, 139.75 - 0.9e-9), (MeshCodeParts{5339, 26, 0}));
    EXPECT_EQ(Code(35.5, 139.75 - 1e-5), (MeshCodeParts{5339, 25, 9}));
    for (int i = 0; i < 20000; ++i) {
        const double lat = 20 + 26.0 * i / 20000 + 1e-6, lon = 122 + 32.0 * ((i * 7919) % 20000) / 20000 + 1e-6;
        const std::optional<MeshCodeParts> p = Code(lat, lon);
        ASSERT_TRUE(p);
        ASSERT_LE(p->second / 10, 7);
        ASSERT_LE(p->second % 10, 7);
        ASSERT_TRUE(IsGridMeshCode((p->first * 100 + p->second) * 100 + p->third));
    }
}

TEST(PointToMeshCodes, TheGridEndsAt20To46NorthAnd122To154East)
{
    EXPECT_EQ(Code(20.0, 122.0), (MeshCodeParts{3022, 0, 0}));
    EXPECT_EQ(Code(45.9999, 153.9999), (MeshCodeParts{6853, 77, 99}));
    for (auto [lat, lon] : {std::pair{19.99, 139.0}, {46.0, 139.0}, {35.0, 121.99}, {35.0, 154.0}, {91.0, 139.0},
                            {-35.0, 139.0}, {95.0, 300.0}, {35.0, 99.5}, {-0.5, 139.5}, {1e300, 1e300}}) {
        EXPECT_FALSE(Code(lat, lon)) << lat << "," << lon;
        EXPECT_FALSE(PointToMeshCode(lat, lon, true)) << lat << "," << lon;
    }
    EXPECT_EQ(PointToMeshCode(35.5, 139.7, false), 533925);
    EXPECT_EQ(PointToMeshCode(35.5, 139.7, true), 53392506);
}

TEST(IsGridMeshCode, SecondLevelDigitsUpToSevenAndFirstLevelSquaresInsideTheGrid)
{
    for (MeshCode code : {533945, 53394599, 302200, 685377, 68537799})
        EXPECT_TRUE(IsGridMeshCode(code)) << code;
    for (MeshCode code : {533990, 533980, 533908, 53398000, 53390899, 292200, 692200, 302100, 305400, 5339, 5339456,
                          -533945, 0})
        EXPECT_FALSE(IsGridMeshCode(code)) << code;
}

TEST(PointToMeshCodes, NonFiniteAndEnormousInputsHaveNoCode)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(Code(nan, nan));
    EXPECT_FALSE(Code(35, nan));
    EXPECT_FALSE(Code(-inf, 139.0));
    EXPECT_FALSE(Code(35, inf));
    EXPECT_EQ(LeadingInteger("-1-5"), -1);
    EXPECT_EQ(LeadingInteger("x12"), 0);
    EXPECT_EQ(LeadingInteger("99999999999999"), 2147483647);
    EXPECT_EQ(LeadingInteger("-99999999999999"), -2147483647 - 1);
    EXPECT_EQ(TruncToInt(-0.7), 0);
    EXPECT_EQ(TruncToInt(-1.3), -1);
    EXPECT_EQ(TruncToInt(3e9), 2147483647);
    EXPECT_EQ(TruncToInt(nan), 0);
}
