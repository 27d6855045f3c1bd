#include "view/readout.h"

#include "geodata/meshcode.h"
#include "platform/statusbar.h"

#include <cmath>
#include <cstdio>

extern CStatusBar* g_statusBar;

double PackDegMinSec(double x)
{
    const double a = std::abs(x);
    double D = std::floor(a);
    const double f = a - D;
    double M = std::floor(f * 60);
    double S = std::floor((f - M / 60) * 3600 + 0.5);
    if (S >= 60) {
        M = M + 1;
        S = S - 60;
    }
    if (M >= 60) {
        D = D + 1;
        M = M - 60;
    }
    const double r = (M * 0.01 + D) + S * 0.0001;
    return x < 0 ? -r : r;
}

namespace {

// "E : %d'%02d'%02d″%s" with the seconds mark in CP932 (81 8D).
std::string Coordinate(const char* axis, double value)
{
    char dec[64];
    std::snprintf(dec, sizeof dec, " ( %.04f )", value);
    const double r = PackDegMinSec(value);
    const int deg = TruncToInt(r);
    const int min = TruncToInt(r * 100) - 100 * deg;
    const int sec = TruncToInt(r * 10000) - 100 * (100 * deg + min);
    char text[128];
    std::snprintf(text, sizeof text, "%s : %d'%02d'%02d\x81\x8D%s", axis, deg, min, sec, dec);
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
    const MeshCodeParts p = PointToMeshCodes(cursor.lat, cursor.lon);
    char text[64];
    std::snprintf(text, sizeof text, " %04d-%02d-%02d", p.first, p.second, p.third);
    return text;
}

void WriteReadout(GeoPoint cursor)
{
    if (!g_statusBar)
        return;
    g_statusBar->SetPaneText(2, CoordinateText(cursor).c_str(), true);
    g_statusBar->SetPaneText(3, MeshCodeText(cursor).c_str(), true);
}
