// The pickers: the DEM tiles under a click, or the files of a box, into the file list window.
// They test the rectangles that the tile layers stored while drawing the last map frame.
#pragma once

#include "geodata/geotypes.h"
#include "platform/wintypes.h"
#include "projection/viewport.h"

#include <string>

class CPen;
class CWnd;

// What the pickers need of the map.
struct PickTarget {
    // The map's window: the hit tile is outlined on it over a fresh frame, the file list window
    // is owned by its top-level window, and the keyboard focus goes back to it.
    CWnd& map;
    CPen& outlinePen;
    // The viewport of the last map frame, which the tiles' rectangles were projected with.
    const MapViewport& drawnVp;
    // That frame was drawn above kFineZoomAbove, where the 10 m tiles are picked.
    bool fineZoom = false;
};

// The 5 m tiles under p: the list text (without its frame of empty lines) and the code of the
// last tile hit, which is outlined (a dot when narrow). False, with text empty and code -1,
// when no tile is hit.
bool PickTiles5m(const PickTarget& target, POINT p, std::string& text, MeshCode& code);
// A 5 m list, framed, into the file list window. shown: the text the window was given.
void ShowFileList5m(const PickTarget& target, const std::string& text, MeshCode code, std::string& shown);
// The whole 10 m pick: below the fine zoom, or where no tile is hit, the file list window hides;
// else the hit is outlined and the window lists its files. shown: the list text, empty when none.
void PickTiles10m(const PickTarget& target, POINT p, std::string& shown);

// The box being drawn, as a thin black rectangle over a fresh frame, its corners held on the map
// area of vp.
void DrawBoxOutline(CWnd& map, const MapViewport& vp, POINT start, POINT end);
// The files of the box between the pixels a and b of vp into the file list window, over a
// fresh frame (which takes the box's rectangle away). shown: the list text.
void ShowBoxFileList(const PickTarget& target, const MapViewport& vp, POINT a, POINT b, bool with5m,
                     std::string& shown);
