#include "queries/jumptext.h"

#include <gtest/gtest.h>
#include <clocale>
#include <cmath>
#include <string>

namespace {
constexpr double kTokyoLat = 35 + 41 / 60.0 + 22 / 3600.0, kTokyoLon = 139 + 41 / 60.0 + 30 / 3600.0;
}

TEST(ParseJumpText, DecimalAndDegreesMinutesSecondsInEveryFormShown)
{
    struct Case {
        const char* text;
        double lat, lon;
    } cases[] = {
        {"35.684,139.7543", 35.684, 139.7543},
        {"  35.684 ,\t 139.7543  ", 35.684, 139.7543},
        {"+35.684,+139.7543", 35.684, 139.7543},
        {"35,139", 35, 139},
        {"35.,.5e0", -2, -2},
        {"35°41'22\",139°41'30\"", kTokyoLat, kTokyoLon},
        {"35°41′22″,139°41′30″", kTokyoLat, kTokyoLon},
        {"35 41 22,139 41 30", kTokyoLat, kTokyoLon},
        {"35'41'22″,139'41'30″", kTokyoLat, kTokyoLon},  // the readout's own form
        {"35° 41' 22\" , 139° 41' 30\"", kTokyoLat, kTokyoLon},
        {"35°41'22.5\",139°41'30\"", 35 + 41 / 60.0 + 22.5 / 3600.0, kTokyoLon},
        {"35°41',139°41.5'", 35 + 41 / 60.0, 139 + 41.5 / 60.0},
        {"35.5°,139.7°", 35.5, 139.7},
        {"３５．６８，１３９．７６", 35.68, 139.76},
        {"＋３５．６８、１３９．７６", 35.68, 139.76},
        {"35.68、139.76", 35.68, 139.76},
        {"35.68\u3000，\u3000139.76", 35.68, 139.76},
        {"３５°４１′２２″，１３９°４１′３０″", kTokyoLat, kTokyoLon},
    };
    for (const Case& c : cases) {
        const JumpEntry e = ParseJumpText(c.text);
        if (c.lat == -2) {
            EXPECT_FALSE(e.accepted) << c.text;
            continue;
        }
        EXPECT_TRUE(e.accepted) << c.text << ": " << e.message;
        EXPECT_NEAR(e.lat, c.lat, 1e-12) << c.text;
        EXPECT_NEAR(e.lon, c.lon, 1e-12) << c.text;
        EXPECT_TRUE(e.message.empty()) << c.text;
    }
}

TEST(ParseJumpText, AnythingNotReadWholeOrOutsideTheGridIsRefusedWithAReason)
{
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", kJumpUnreadable},
        {"   ", kJumpUnreadable},
        {",", kJumpUnreadable},
        {"35.684", kJumpUnreadable},
        {"35.684 139.7543", kJumpUnreadable},
        {"35.684,139.7543,", kJumpUnreadable},
        {",,35.684,,139.7543", kJumpUnreadable},
        {"abc", kJumpUnreadable},
        {"abc,def", kJumpLatitudeUnreadable},
        {"35.684abc,139.7543", kJumpLatitudeUnreadable},
        {"35.684,139x", kJumpLongitudeUnreadable},
        {"3.5e1,1.3975e2", kJumpLatitudeUnreadable},
        {"nan,139", kJumpLatitudeUnreadable},
        {"35.6.8,139", kJumpLatitudeUnreadable},
        {"35°61'22\",139°41'30\"", kJumpLatitudeUnreadable},
        {"35°41'60\",139°41'30\"", kJumpLatitudeUnreadable},
        {"35.5°41'22\",139°41'30\"", kJumpLatitudeUnreadable},
        {"35°41\"22',139°41'30\"", kJumpLatitudeUnreadable},
        {"35-41,139", kJumpLatitudeUnreadable},
        {"35.68,200", kJumpOutsideGrid},
        {"10,100", kJumpOutsideGrid},
        {"-35.684,139.7543", kJumpOutsideGrid},
        {"90,200", kJumpOutsideGrid},
        {"46,139", kJumpOutsideGrid},
        {"35,154", kJumpOutsideGrid},
        {"139.7543,35.684", kJumpSwapped},
        {"\xff\xfe,139", kJumpLatitudeUnreadable},
        {"35.684,\xe3\x80", kJumpLongitudeUnreadable},
    };
    for (const Case& c : cases) {
        const JumpEntry e = ParseJumpText(c.text);
        EXPECT_FALSE(e.accepted) << c.text;
        EXPECT_EQ(e.lat, -1.0) << c.text;
        EXPECT_EQ(e.lon, -1.0) << c.text;
        EXPECT_EQ(e.message, c.message) << c.text;
    }
    // The grid's own edges: south and west inside, north and east outside.
    EXPECT_TRUE(ParseJumpText("20,122").accepted);
    EXPECT_FALSE(ParseJumpText("19.9999,122").accepted);
}

TEST(ParseJumpText, ReadsTheCWayUnderACommaLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale";
    const JumpEntry e = ParseJumpText("35.684,139.7543");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(e.accepted);
    EXPECT_DOUBLE_EQ(e.lat, 35.684);
}
