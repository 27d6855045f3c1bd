// What a click on the map does: decided here, for the view's button handlers to carry out.
#pragma once

#include "picking/panel.h"
#include "platform/wintypes.h"

// The state of the map that a left-button release is decided on.
struct LeftClickInput {
    POINT down{};  // where the left button went down
    POINT up{};    // and where it came up
    bool altDown = false;
    // The release ended a Shift + left-button box (BoxDrag::Release).
    bool boxEnded = false;
    // The buttons the last map frame drew, and where.
    const bool* buttonShown = nullptr;
    const RECT* buttonRect = nullptr;
    bool show5m = false;
};

struct LeftClick {
    enum class Action {
        FinishBox,    // list the files of the box
        PressButton,  // the panel button `button`, as PressPanelButton runs it
        WebMap,       // open the released pixel in the web map and mark it
        Pick5mFirst,  // the 5 m pick, the 10 m pick where it hits nothing
        Pick10m,      // the 10 m pick (above the fine zoom; else the file list hides)
    };
    Action action = Action::Pick10m;
    int button = -1;
};

// In this order: the end of a box; a shown button under the release; Alt held with the release
// on the pressed pixel, the web map; otherwise the pickers, the 5 m one first when its layer is
// on and its button was drawn.
LeftClick DecideLeftClick(const LeftClickInput& in);

// What a middle-button release does: pressed and released on one pixel that no shown button
// holds, it opens the web map, as an Alt+click there would (for desktops that keep Alt+click
// for moving windows); otherwise nothing.
bool MiddleClickOpensWebMap(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT down, POINT up);
