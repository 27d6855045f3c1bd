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
