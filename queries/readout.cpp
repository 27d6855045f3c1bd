#include "queries/readout.h"

#include "geodata/meshcode.h"

#include <cmath>
#include <cstdio>

DegMinSec SplitDegMinSec(double x)
{
    DegMinSec d;
    d.negative = x < 0;
    // Whole seconds from one product. Typed decimals whose seconds end in .5 (35.00125) may come
    // a few bits short of the half as doubles; 1e-6 seconds is far below what is shown.
    const double total = std::floor(std::abs(x) * 3600 + 0.5 + 1e-6);
    if (!(total < 9.2e18)) // NaN, infinity and the absurdly large: nothing sensible to split
        return d;
    const auto s = static_cast<int64_t>(total);
    d.degrees = s / 3600;
    d.minutes = static_cast<int>(s / 60 % 60);
    d.seconds = static_cast<int>(s % 60);
    return d;
}

double PackDegMinSec(double x)
{
    const DegMinSec d = SplitDegMinSec(x);
    const double r = (d.minutes * 0.01 + static_cast<double>(d.degrees)) + d.seconds * 0.0001;
    return d.negative ? -r : r;
}

namespace {

// "E : %d'%02d'%02d″%s" with the seconds mark in CP932 (81 8D).
std::string Coordinate(const char* axis, double value)
{
    char dec[64];
    std::snprintf(dec, sizeof dec, " ( %.04f )", value);
    const DegMinSec d = SplitDegMinSec(value);
    char text[128];
    std::snprintf(text, sizeof text, "%s : %lld'%02d'%02d\x81\x8D%s", axis, static_cast<long long>(d.degrees), d.minutes, d.seconds, dec);
    return text;
}

} // namespace

std::string CoordinateText(GeoPoint cursor)
{
    std::string lon = Coordinate("E", cursor.lon);
    std::string lat = Coordinate("N", cursor.lat);
    if (cursor.lon < 0 || cursor.lon >= 180)
        lon = "E -----";
    if (cursor.lat < 0 || cursor.lat >= 90)
        lat = "N -----";
    char text[320];
    std::snprintf(text, sizeof text, " %s  %s      ", lon.c_str(), lat.c_str());
    return text;
}

std::string MeshCodeText(GeoPoint cursor)
{
    const std::optional<MeshCodeParts> p = PointToMeshCodes(cursor.lat, cursor.lon);
    if (!p)
        return " ----";
    char text[64];
    std::snprintf(text, sizeof text, " %04d-%02d-%02d", p->first, p->second, p->third);
    return text;
}
