#include "picking/click.h"

LeftClick DecideLeftClick(const LeftClickInput& in)
{
    using Action = LeftClick::Action;
    if (in.boxEnded)
        return LeftClick{Action::FinishBox};
    if (const int button = PanelButtonAt(in.buttonShown, in.buttonRect, in.up); button >= 0)
        return LeftClick{Action::PressButton, button};
    if (in.up == in.down && in.altDown)
        return LeftClick{Action::WebMap};
    return LeftClick{in.show5m && in.buttonShown[kButton5m] ? Action::Pick5mFirst : Action::Pick10m};
}

bool MiddleClickOpensWebMap(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT down, POINT up)
{
    return up == down && PanelButtonAt(shown, rects, up) < 0;
}
