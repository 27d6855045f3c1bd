// A box drawn on the map: Shift and a left press start it, the pointer stretches it, the release
// lists every file whose square meets it. The decisions live here; the view only forwards.
#pragma once

#include "geodata/geotypes.h"
#include "queries/areaquery.h"
#include "platform/wintypes.h"
#include "projection/viewport.h"

#include <cstddef>
#include <string>

struct BoxDrag {
    bool active = false;
    POINT start{};
    POINT end{};

    // A left press with Shift held (flags as the view gets them) starts a box, unless it lands
    // on a panel button (that press stays a button press) or the map is not shown yet.
    bool Press(unsigned flags, POINT p, bool onPanelButton, bool mapShown);
    // The pointer moved: true when a box is being drawn, its far corner now p.
    bool Move(POINT p);
    // The left button came up: true when this ends a box (its far corner p); the box is then
    // over and start and end hold its corners.
    bool Release(POINT p);
    void Cancel() { active = false; }
};

// The pixel, moved onto the map area (0 to width - 1, 0 to height - 1) when the pointer left it.
POINT ClampToMap(POINT p, int width, int height);
// The rectangle between two pixels, left and top the smaller values.
RECT BoxPixels(POINT a, POINT b);
// The geographic rectangle of the two corner pixels (each clamped onto the map first).
GeoRect BoxOfPixels(const MapViewport& vp, POINT a, POINT b);

constexpr size_t kBoxListMaxLines = 20000;

struct BoxFileList {
    std::string title;  // CP932, starts with "範囲"
    std::string text;   // CP932, "\r\n" line ends
    size_t lines = 0;   // lines of the whole list, before any cut
};

// The file list of a box: the 10 m rows in the 10 m line format, then, with the 5 m layer on, the
// 5 m rows in the 5 m format; the same files as `tesselo-cli files --bbox`. The title gives the
// files and ZIP archives of each edition. Beyond maxLines the list is cut, and a last line says
// how many lines more and which command lists them all.
BoxFileList MakeBoxFileList(const GeoRect& box, bool with5m, size_t maxLines = kBoxListMaxLines);
