// The web map link: a point of the map opened in the desktop's web browser.
#pragma once

#include <string>

// Scheme and host of the web map, from TESSELO_WEBMAP_ENDPOINT when set (without a trailing
// slash), else the default.
std::string WebMapEndpoint();
extern const char* const kDefaultWebMapEndpoint;

// endpoint + "/maps?q=LAT,LON(here!)&hl=ja", six decimals, nothing percent-encoded.
std::string WebMapAddress(const std::string& endpoint, double lat, double lon);
