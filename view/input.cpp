// The pointer and the keyboard on the map. What a click does is decided by DecideLeftClick
// (picking/click.h); the handlers here carry the decision out.
#include "view/view.h"

#include "navaids/jumpdialog.h"
#include "navaids/webmap.h"
#include "picking/click.h"
#include "picking/pickers.h"
#include "platform/statusbar.h"
#include "platform/system.h"
#include "queries/readout.h"
#include "view/navigation.h"

PickTarget CTesseloView::Picking()
{
    return PickTarget{*this, m_style.penPick, m_drawnVp, m_fineZoom};
}

void CTesseloView::WriteReadout()
{
    if (!m_statusBar)
        return;
    m_statusBar->SetPaneText(2, CoordinateText(m_vp.cursor).c_str(), true);
    m_statusBar->SetPaneText(3, MeshCodeText(m_vp.cursor).c_str(), true);
}

void CTesseloView::OnMouseMove(unsigned flags, POINT point)
{
    m_vp.cursor = ClientToGeo(m_vp, point);
    WriteReadout();
    if (flags & MK_RBUTTON) {
        GeoPoint center;
        if (DragStep(m_vp, point.x - m_lastMouse.x, point.y - m_lastMouse.y, m_relief.rowsPainted, m_homePoint,
                     &center))
            m_vp.center = center;
        RepaintNow();
    }
    UpdateVisibleCorners(m_vp);
    m_lastMouse = point;
    if (m_box.Move(point))
        DrawBoxOutline(*this, m_vp, m_box.start, m_box.end);
}

void CTesseloView::OnLButtonDown(unsigned flags, POINT point)
{
    m_leftDown = point;
    m_box.Press(flags, point, PanelButtonAt(m_buttonShown, m_buttonRect, point) >= 0, !m_splash);
}

void CTesseloView::OnLButtonUp(unsigned, POINT point)
{
    m_leftUp = point;
    LeftClickInput in;
    in.down = m_leftDown;
    in.up = point;
    in.altDown = GetAsyncKeyState(VK_MENU) < 0;
    in.boxEnded = m_box.Release(point);
    in.buttonShown = m_buttonShown;
    in.buttonRect = m_buttonRect;
    in.show5m = m_show5m;
    const LeftClick click = DecideLeftClick(in);
    switch (click.action) {
    case LeftClick::Action::FinishBox:
        ShowBoxFileList(Picking(), m_vp, m_box.start, point, m_show5m, m_text);
        return;
    case LeftClick::Action::PressButton:
        PressPanelButton(click.button);
        return;
    case LeftClick::Action::WebMap:
        // The clicked pixel in the view as it is now: with no move since a jump or a reset,
        // the last move's position belongs to the view before.
        m_vp.cursor = ClientToGeo(m_vp, point);
        OpenWebMap();
        return;
    case LeftClick::Action::Pick5mFirst: {
        std::string text;
        MeshCode code = -1;
        PickTiles5m(Picking(), point, text, code);
        if (!text.empty())
            ShowFileList5m(Picking(), text, code, m_text);
        else
            PickTiles10m(Picking(), point, m_text);
        return;
    }
    case LeftClick::Action::Pick10m:
        PickTiles10m(Picking(), point, m_text);
        return;
    }
}

void CTesseloView::OnMButtonDown(unsigned, POINT point)
{
    m_middleDown = point;
}

// The second press of a double-click is a press like the first.
void CTesseloView::OnMButtonDblClk(unsigned flags, POINT point)
{
    OnMButtonDown(flags, point);
}

void CTesseloView::OnMButtonUp(unsigned, POINT point)
{
    const POINT down = m_middleDown;
    m_middleDown = POINT{-1, -1};
    if (MiddleClickOpensWebMap(m_buttonShown, m_buttonRect, down, point)) {
        m_vp.cursor = ClientToGeo(m_vp, point);
        OpenWebMap();
    }
}

void CTesseloView::OnKeyDown(unsigned vk, unsigned, unsigned)
{
    if (vk != VK_ESCAPE)
        return;
    m_marker = GeoPoint{-1.0, -1.0};
    m_box.Cancel();
    // As if the left button were released on the 5 m button.
    const RECT& button = m_buttonRect[kButton5m];
    OnLButtonUp(0, POINT{button.left + 5, button.top + 5});
}

bool CTesseloView::OnMouseWheel(unsigned, short delta, POINT screenPoint)
{
    POINT p = screenPoint;
    ScreenToClient(&p);
    WheelStep(m_vp, m_relief.brightness, delta, p);
    UpdateVisibleCorners(m_vp);
    RepaintNow();
    return true;
}

void CTesseloView::OnRButtonDblClk(unsigned, POINT)
{
    ResetToHome();
}

void CTesseloView::PressPanelButton(int i)
{
    bool* const switches[kLayerSwitches] = {&m_show5m, &m_showMunicipalities, &m_showIslands, &m_showMountains,
                                            &m_showLakes};
    if (i >= 0 && i < kLayerSwitches) {
        *switches[i] = !*switches[i];
        RepaintNow();
    } else if (i == kButtonJump) {
        RunJumpDialog();
    } else if (i == kButtonHome) {
        ResetToHome();
    }
}

void CTesseloView::RunJumpDialog()
{
    CJumpDialog dialog(window());
    if (dialog.DoModal() == IDOK && dialog.m_lat > 0 && dialog.m_lon > 0) {
        m_marker = GeoPoint{dialog.m_lon, dialog.m_lat};
        m_vp.center = m_marker;
        UpdateVisibleCorners(m_vp);
    }
    RepaintNow();
}

void CTesseloView::OpenWebMap()
{
    m_marker = m_vp.cursor;
    const std::string address = WebMapAddress(WebMapEndpoint(), m_vp.cursor.lat, m_vp.cursor.lon);
    if (ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL) >= 32)
        RepaintNow();
}
