// The on-screen control panel: seven buttons painted into the map, top right.
#pragma once

#include "platform/wintypes.h"

class CDC;
class CFont;
struct MapViewport;

constexpr int kPanelButtons = 7;
// CP932 labels in panel order.
extern const char* const kPanelLabels[kPanelButtons];

// Whether button i is shown in a map frame at this zoom (the client size aside).
bool PanelButtonShown(int i, double zoom);

void DrawPanelButton(CDC* dc, const RECT& rect, const char* label, bool on, CFont* font);

// The shown button whose rectangle holds p (right and bottom edges outside), -1 for none.
int PanelButtonAt(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT p);

// What a left-button release does, the button aside: the same pixel as the press with Alt
// down opens the web map; otherwise the 5 m pick runs first when its button is shown and on.
enum class MapClick { WebMap, Pick5mFirst, Pick10m };
MapClick MapClickOf(POINT down, POINT up, bool altDown, bool show5m, bool button0Shown);

// What a middle-button release does: pressed and released on one pixel that no shown button
// holds, it opens the web map, as an Alt+click there would (for desktops that keep Alt+click
// for moving windows); otherwise nothing.
bool MiddleClickOpensWebMap(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT down, POINT up);
