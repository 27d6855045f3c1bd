#include "view/navigation.h"

#include <cmath>

bool DragStep(const MapViewport& vp, int dx, int dy, int rowsPainted, GeoPoint home, GeoPoint* newCenter)
{
    const double newLon = vp.center.lon - dx * vp.lonPerPixel / vp.zoom;
    const double newLat = dy * vp.latPerPixel / vp.zoom + vp.center.lat;
    bool accept = rowsPainted != 0;
    if (!accept)
        accept = std::abs(home.lon - vp.center.lon) > std::abs(home.lon - newLon) ||
                 std::abs(home.lat - vp.center.lat) > std::abs(home.lat - newLat);
    if (accept && newCenter)
        *newCenter = GeoPoint{newLon, newLat};
    return accept;
}
