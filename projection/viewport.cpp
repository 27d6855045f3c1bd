#include "projection/viewport.h"

#include <cmath>

GeoPoint ClientToGeo(const MapViewport& vp, POINT p)
{
    GeoPoint g;
    g.lon = static_cast<double>(int64_t{p.x} - vp.anchorX) * vp.lonPerPixel / vp.zoom + vp.center.lon;
    g.lat = vp.center.lat - static_cast<double>(int64_t{p.y} - vp.anchorY) * vp.latPerPixel / vp.zoom;
    return g;
}

void UpdateVisibleCorners(MapViewport& vp)
{
    vp.topLeft = ClientToGeo(vp, POINT{0, 0});
    vp.bottomRight = ClientToGeo(vp, POINT{vp.clientWidth, vp.clientHeight});
}

void InitViewport(MapViewport& vp, int width, int height)
{
    vp.zoom = kStartZoom;
    vp.home = kHomeRect;
    vp.center.lon = 138.0;
    vp.clientWidth = width;
    vp.clientHeight = height;
    // A client area without pixels would make the scales infinite; take it as one pixel.
    const int w = width > 0 ? width : 1;
    const int h = height > 0 ? height : 1;
    vp.lonPerPixel = std::abs(vp.home.west - vp.home.east) / w;
    vp.latPerPixel = std::abs(vp.home.south - vp.home.north) / h * 0.7;
    vp.center.lat = (vp.home.south + vp.home.north) * 0.5 + 1.0;
}

void ResizeViewport(MapViewport& vp, int cx, int cy)
{
    vp.clientWidth = cx;
    vp.clientHeight = cy;
    vp.anchorX = cx / 2;
    vp.anchorY = cy / 2;
    UpdateVisibleCorners(vp);
}
