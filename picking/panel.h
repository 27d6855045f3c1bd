// The on-screen control panel: seven buttons painted into the map, top right.
#pragma once

#include "platform/wintypes.h"

class CDC;
class CFont;

// The buttons top to bottom: five layer switches, the jump dialog, the whole country.
enum PanelButton : int {
    kButton5m,
    kButtonMunicipalities,
    kButtonIslands,
    kButtonMountains,
    kButtonLakes,
    kButtonJump,
    kButtonHome,
    kPanelButtons
};
// The buttons that switch a layer on and off: kButton5m to kButtonLakes.
constexpr int kLayerSwitches = kButtonLakes + 1;
// CP932 labels in panel order.
extern const char* const kPanelLabels[kPanelButtons];

// The column of buttons at the top right of a client area cx pixels wide.
void LayoutPanelButtons(int cx, RECT buttons[kPanelButtons]);

// Whether button i is shown in a map frame at this zoom (the client size aside).
bool PanelButtonShown(int i, double zoom);
// A map frame draws the panel only when the client area is at least this large.
constexpr int kPanelMinClientWidth = 120;
constexpr int kPanelMinClientHeight = 50;

void DrawPanelButton(CDC* dc, const RECT& rect, const char* label, bool on, CFont* font);

// The shown button whose rectangle holds p (right and bottom edges outside), -1 for none.
int PanelButtonAt(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT p);
