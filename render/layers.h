// The map layers over the relief: DEM tile frames, boundary lines, place names, the first-level
// grid and labels, the marker and the data-use notice. Each draws into the frame's context.
#pragma once

#include "platform/wintypes.h"
#include "projection/viewport.h"

class CDC;
class CMeshDB;
struct FrameStyle;

// True when p.x >= 0 and p.y >= 0 and (p.x <= width or p.y <= height): a point right of the
// client area but not below it counts, and one below but not right of it.
inline bool IsOnScreen(const MapViewport& vp, POINT p)
{
    return p.x >= 0 && p.y >= 0 && (p.x <= vp.clientWidth || p.y <= vp.clientHeight);
}

// Each layer draws the frame of vp with the tools of style.
void DrawTiles5m(CDC* dc, const MapViewport& vp, FrameStyle& style);
void DrawTiles10m(CDC* dc, const MapViewport& vp, FrameStyle& style);
// The 10 m tiles' rectangles for the frame of vp, without drawing them.
void UpdateTileRects10m(const MapViewport& vp);
void DrawBoundaryLines(CDC* dc, const MapViewport& vp, FrameStyle& style);
void DrawMunicipalityNames(CDC* dc, const MapViewport& vp, FrameStyle& style);
void DrawIslandNames(CDC* dc, const MapViewport& vp, FrameStyle& style);
void DrawMountainNames(CDC* dc, const MapViewport& vp, FrameStyle& style);
void DrawLakeNames(CDC* dc, const MapViewport& vp, FrameStyle& style);
void DrawFirstLevelGrid(CDC* dc, const MapViewport& vp, FrameStyle& style);
// The names and codes of the sheets the relief placed in this frame.
void DrawFirstLevelLabels(CDC* dc, const MapViewport& vp, const CMeshDB& meshDB);
void DrawMarker(CDC* dc, const MapViewport& vp, FrameStyle& style, GeoPoint marker);
void DrawNotice(CDC* dc, const MapViewport& vp, FrameStyle& style);

// Text colour of a municipality's name by its kind.
COLORREF MunicipalityColor(int kind);
