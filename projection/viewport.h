// The projection between client pixels and geographic coordinates: a linear mapping with its
// own degrees per pixel on each axis, fixed at the initial update and multiplied by the zoom.
#pragma once

#include "geodata/geotypes.h"
#include "platform/wintypes.h"

struct MapViewport {
    double zoom = 0.0;
    GeoRect home;
    GeoPoint center;
    double lonPerPixel = 0.0;
    double latPerPixel = 0.0;
    GeoPoint cursor;
    int clientWidth = 0;
    int clientHeight = 0;
    int anchorX = 0;
    int anchorY = 0;
    GeoPoint topLeft;
    GeoPoint bottomRight;
};

constexpr double kStartZoom = 0.6;
constexpr GeoRect kHomeRect{20.0, 121.0, 46.0, 155.0};

GeoPoint ClientToGeo(const MapViewport& vp, POINT p);
// Each coordinate truncated toward zero. Inline: the tile layers project every tile each frame.
inline POINT GeoToClient(const MapViewport& vp, GeoPoint g)
{
    POINT p;
    p.x = TruncToInt((g.lon - vp.center.lon) / vp.lonPerPixel * vp.zoom + vp.anchorX);
    p.y = TruncToInt((vp.center.lat - g.lat) / vp.latPerPixel * vp.zoom + vp.anchorY);
    return p;
}
void UpdateVisibleCorners(MapViewport& vp);

// The scales, zoom and centre of the initial update for a client area of width x height.
void InitViewport(MapViewport& vp, int width, int height);
// The client size and anchor of a resize to cx x cy, and the corners that follow.
void ResizeViewport(MapViewport& vp, int cx, int cy);
