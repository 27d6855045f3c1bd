#include "view/navigation.h"

#include <algorithm>
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

void WheelStep(MapViewport& vp, double& brightness, short delta, POINT p)
{
    const GeoPoint g = ClientToGeo(vp, p);
    if (delta > 0) {
        vp.zoom = vp.zoom * 1.2;
        brightness = brightness - 0.02;
    } else if (delta < 0) {
        vp.zoom = vp.zoom / 1.2;
        brightness = brightness + 0.02;
    }
    brightness = std::max(0.1, std::min(1.0, brightness));
    if (vp.zoom < 0.6)
        vp.zoom = 0.6;
    if (vp.zoom > 1000)
        vp.zoom = 1000;
    vp.center.lon = (vp.anchorX - p.x) * vp.lonPerPixel / vp.zoom + g.lon;
    vp.center.lat = g.lat - (vp.anchorY - p.y) * vp.latPerPixel / vp.zoom;
}
