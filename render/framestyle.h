// The drawing tools of the map: made once at the view's initial update and deleted with the
// view. The layers take them as an argument; the pickers outline a hit with the pick pen.
#pragma once

#include "platform/gdi.h"

struct FrameStyle {
    CPen penPick;
    CPen penMarker;
    CPen penGrid;
    CPen penTile10;
    CPen penTile5;
    CPen penBoundary;
    CFont fontLarge;
    CFont fontSmall;
    CFont fontMedium;
    // The data-use notice at the bottom of every map frame (CP932).
    char notice[1024] = {};

    // The pens and fonts; the notice is loaded on its own, when the view is made.
    void Create();
    void Delete();
};

// The logical font of the map's texts at a nominal size.
LOGFONTA MapFont(int nominalSize);
