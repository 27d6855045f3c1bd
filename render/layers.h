// The map layers over the relief: DEM tile frames, boundary lines, place names, the first-level
// grid and labels, the marker and the data-use notice. Each draws into the frame's context.
#pragma once

#include "platform/wintypes.h"
#include "view/viewport.h"

class CDC;
class CTesseloView;

// True when p.x >= 0 and p.y >= 0 and (p.x <= width or p.y <= height): a point right of the
// client area but not below it counts, and one below but not right of it.
inline bool IsOnScreen(const MapViewport& vp, POINT p)
{
    return p.x >= 0 && p.y >= 0 && (p.x <= vp.clientWidth || p.y <= vp.clientHeight);
}

void DrawTiles5m(CDC* dc, CTesseloView& view);
void DrawTiles10m(CDC* dc, CTesseloView& view);
// The 10 m tiles' rectangles for the frame on screen, without drawing them.
void UpdateTileRects10m(CTesseloView& view);
void DrawBoundaryLines(CDC* dc, CTesseloView& view);
void DrawMunicipalityNames(CDC* dc, CTesseloView& view);
void DrawIslandNames(CDC* dc, CTesseloView& view);
void DrawMountainNames(CDC* dc, CTesseloView& view);
void DrawLakeNames(CDC* dc, CTesseloView& view);
void DrawFirstLevelGrid(CDC* dc, CTesseloView& view);
void DrawFirstLevelLabels(CDC* dc, CTesseloView& view);
void DrawMarker(CDC* dc, CTesseloView& view);
void DrawNotice(CDC* dc, CTesseloView& view);

// Text colour of a municipality's name by its kind.
COLORREF MunicipalityColor(int kind);
