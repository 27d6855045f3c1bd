#include "navaids/webmap.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(WebMapAddress, LatitudeFirstSixDecimalsNothingEncoded)
{
    EXPECT_EQ(WebMapAddress("https://maps.example", 35.684, 139.7543),
              "https://maps.example/maps?q=35.684000,139.754300(here!)&hl=ja");
    EXPECT_EQ(WebMapAddress("http://h", -0.0000004, 1e6), "http://h/maps?q=-0.000000,1000000.000000(here!)&hl=ja");
    // However long the number, the address is not cut.
    const std::string huge = WebMapAddress("http://h", 1e300, 0);
    EXPECT_GT(huge.size(), 300u);
    EXPECT_EQ(huge.substr(huge.size() - 22), ",0.000000(here!)&hl=ja");
}

TEST(WebMapEndpoint, TheEnvironmentReplacesTheDefault)
{
    unsetenv("TESSELO_WEBMAP_ENDPOINT");
    EXPECT_EQ(WebMapEndpoint(), kDefaultWebMapEndpoint);
    setenv("TESSELO_WEBMAP_ENDPOINT", "http://localhost:8080//", 1);
    EXPECT_EQ(WebMapEndpoint(), "http://localhost:8080");
    setenv("TESSELO_WEBMAP_ENDPOINT", "", 1);
    EXPECT_EQ(WebMapEndpoint(), kDefaultWebMapEndpoint);
    unsetenv("TESSELO_WEBMAP_ENDPOINT");
}
