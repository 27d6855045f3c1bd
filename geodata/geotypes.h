// Geographic points and rectangles in decimal degrees.
#pragma once

#include <cstdint>
#include <limits>

// Longitude first, then latitude.
struct GeoPoint {
    double lon = 0.0;
    double lat = 0.0;
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// South latitude, west longitude, north latitude, east longitude, in this order.
struct GeoRect {
    double south = 0.0;
    double west = 0.0;
    double north = 0.0;
    double east = 0.0;
    friend bool operator==(const GeoRect&, const GeoRect&) = default;
};

using MeshCode = int32_t;

// Truncation toward zero into an int, saturating where a plain conversion would be undefined:
// NaN gives 0, values beyond the int range the nearest end of it.
inline int32_t TruncToInt(double v)
{
    if (v != v)
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}
