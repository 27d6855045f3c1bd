#include "navaids/webmap.h"

#include <cstdio>
#include <cstdlib>

const char* const kDefaultWebMapEndpoint = "https://www.google.com";

std::string WebMapEndpoint()
{
    const char* env = std::getenv("TESSELO_WEBMAP_ENDPOINT");
    std::string endpoint = env && *env ? env : kDefaultWebMapEndpoint;
    while (!endpoint.empty() && endpoint.back() == '/')
        endpoint.pop_back();
    return endpoint;
}

std::string WebMapAddress(const std::string& endpoint, double lat, double lon)
{
    // The C form of %f whatever the locale: LC_NUMERIC stays "C" in this program.
    const char* const format = "/maps?q=%f,%f(here!)&hl=ja";
    std::string query(static_cast<size_t>(std::snprintf(nullptr, 0, format, lat, lon)) + 1, '\0');
    std::snprintf(query.data(), query.size(), format, lat, lon);
    query.pop_back();
    return endpoint + query;
}
