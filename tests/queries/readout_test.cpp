#include "platform/cp932.h"
#include "queries/readout.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {
std::string Pane2(double lat, double lon)
{
    return Cp932ToUtf8(CoordinateText(GeoPoint{lon, lat}));
}
} // namespace

TEST(Readout, DegreesMinutesSecondsAsTheStatusBarShowsThem)
{
    EXPECT_EQ(Pane2(35.6895, 139.6920), " E : 139'41'31″ ( 139.6920 )  N : 35'41'22″ ( 35.6895 )      ");
    EXPECT_EQ(Cp932ToUtf8(MeshCodeText(GeoPoint{139.6920, 35.6895})), " 5339-45-25");
    EXPECT_EQ(Pane2(35.5, 139.7), " E : 139'42'00″ ( 139.7000 )  N : 35'30'00″ ( 35.5000 )      ");
    EXPECT_NE(Pane2(35.0, 142.2449766611704).find("E : 142'14'42″ ( 142.2450 )"), std::string::npos);
}

// The seconds of x degrees as pane 2 shows them, from an exact count of half seconds.
std::string Shown(int64_t halfSeconds)
{
    const int64_t s = (halfSeconds + 1) / 2;  // halves up
    char text[64];
    std::snprintf(text, sizeof text, "%lld'%02lld'%02lld\xe2\x80\xb3", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return text;
}

TEST(Readout, SecondsAreRoundedHalvesUpAndCarriedIntoMinutesAndDegrees)
{
    // 59.5 seconds carries into the minutes, 59'59.5" into the degrees.
    EXPECT_NE(Pane2(35.0 + 2159.5 / 3600, 139.0).find("N : 35'36'00″"), std::string::npos);
    EXPECT_NE(Pane2(35.0 + 3599.5 / 3600, 139.0).find("N : 36'00'00″"), std::string::npos);
    EXPECT_NE(Pane2(35.0, 139.0 + 3599.5 / 3600).find("E : 140'00'00″"), std::string::npos);
    EXPECT_NE(Pane2(35.0 + 3599.4 / 3600, 139.0).find("N : 35'59'59″"), std::string::npos);
    EXPECT_NE(Pane2(35.0, 139.99999).find("E : 140'00'00″"), std::string::npos);
    // A typed half second: 35.00125 is 35 degrees and 4.5 seconds.
    EXPECT_NE(Pane2(35.00125, 139.0).find("N : 35'00'05″"), std::string::npos);
    EXPECT_EQ(SplitDegMinSec(-35.5), (DegMinSec{true, 35, 30, 0}));
    EXPECT_EQ(SplitDegMinSec(-0.99999), (DegMinSec{true, 1, 0, 0}));
    EXPECT_NEAR(PackDegMinSec(139.99999), 140.0, 1e-12);
    EXPECT_NEAR(PackDegMinSec(-35.5), -35.30, 1e-12);
    EXPECT_NEAR(PackDegMinSec(35.6895), 35.4122, 1e-12);
    // Every tenth of a degree of latitude and longitude over the readout's range, and every
    // half second of a degree near both ends of it: the seconds the exact value rounds to.
    for (int t = 0; t < 900; ++t) {
        const std::string lat = Pane2(t / 10.0, 139.0);
        ASSERT_NE(lat.find("N : " + Shown(t * 3600 * 2 / 10)), std::string::npos) << lat;
    }
    for (int t = 0; t < 1800; ++t) {
        const std::string lon = Pane2(35.0, t / 10.0);
        ASSERT_NE(lon.find("E : " + Shown(t * 3600 * 2 / 10)), std::string::npos) << lon;
    }
    for (int64_t h : {int64_t{0}, int64_t{45} * 7200, int64_t{89} * 7200, int64_t{179} * 7200}) {
        for (int64_t k = 1; k < 7200; k += 2) {  // odd counts: the halves
            const double x = static_cast<double>(h + k) / 7200;
            const std::string text = Pane2(x, x);
            if (x < 90) {
                ASSERT_NE(text.find("N : " + Shown(h + k)), std::string::npos) << text;
            }
            ASSERT_NE(text.find("E : " + Shown(h + k)), std::string::npos) << text;
        }
    }
}

TEST(Readout, OutOfRangeCoordinatesShowDashesAndOutsideTheGridNoCode)
{
    EXPECT_EQ(Pane2(-0.5, 139.0).find("N -----"), Pane2(-0.5, 139.0).size() - 13);
    EXPECT_NE(Pane2(35.0, 180.0).find("E -----  N : 35'00'00″"), std::string::npos);
    EXPECT_NE(Pane2(90.0, -1.0).find("E -----  N -----"), std::string::npos);
    EXPECT_EQ(MeshCodeText(GeoPoint{139.5, -0.5}), " ----");
    EXPECT_EQ(MeshCodeText(GeoPoint{105.5, 35.0}), " ----");
    EXPECT_EQ(MeshCodeText(GeoPoint{300, 95}), " ----");
    EXPECT_EQ(MeshCodeText(GeoPoint{139.5, 46.0}), " ----");
    // Just below a first-level edge: row 7, never 8.
    EXPECT_EQ(MeshCodeText(GeoPoint{139.5, 35.99998}), " 5339-74-90");
    EXPECT_EQ(MeshCodeText(GeoPoint{138.727778, 35.360556}), " 5338-05-38");
}
