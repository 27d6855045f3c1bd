// The view's left-button release, the middle click, Escape, and the two pickers that fill the file list window.
#include "geodata/catalogue.h"
#include "navaids/jumpdialog.h"
#include "navaids/webmap.h"
#include "picking/filelist.h"
#include "picking/infodialog.h"
#include "picking/panel.h"
#include "platform/system.h"
#include "view/view.h"

#include <new>

void CTesseloView::OnLButtonUp(unsigned, POINT point)
{
    m_leftUp = point;
    if (m_box.Release(point)) {
        FinishBox(point);
        return;
    }
    if (const int button = PanelButtonAt(m_buttonShown, m_buttonRect, point); button >= 0) {
        PressPanelButton(button);
        return;
    }
    const bool alt = m_leftUp == m_leftDown && GetAsyncKeyState(VK_MENU) < 0;
    switch (MapClickOf(m_leftDown, m_leftUp, alt, m_show5m, m_buttonShown[0])) {
    case MapClick::WebMap:
        // The clicked pixel in the view as it is now: with no move since a jump or a reset,
        // the last move's position belongs to the view before.
        m_vp.cursor = ClientToGeo(m_vp, point);
        OpenWebMap();
        return;
    case MapClick::Pick5mFirst: {
        std::string text;
        MeshCode code = -1;
        PickTiles5m(point, text, code);
        if (!text.empty())
            ShowFileList5m(text, code);
        else
            PickTiles10m(point);
        return;
    }
    case MapClick::Pick10m:
        PickTiles10m(point);
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
    OnLButtonUp(0, POINT{m_buttonRect[0].left + 5, m_buttonRect[0].top + 5});
}

void CTesseloView::PressPanelButton(int i)
{
    bool* const toggles[] = {&m_show5m, &m_showMunicipalities, &m_showIslands, &m_showMountains, &m_showLakes};
    if (i >= 0 && i < 5) {
        *toggles[i] = !*toggles[i];
        RepaintNow();
    } else if (i == 5) {
        RunJumpDialog();
    } else if (i == 6) {
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

void CTesseloView::DrawPickHighlight(const RECT& r, bool dotWhenNarrow)
{
    // A fresh frame first: it takes away the highlight of an earlier pick.
    InvalidateRect(nullptr, false);
    UpdateWindow();
    CDC* dc = GetDC();
    CPen* old = dc->SelectObject(&m_penPick);
    if (dotWhenNarrow && r.right - r.left <= 3) {
        dc->Ellipse(r.left, r.top, r.right, r.bottom);
    } else {
        dc->MoveTo(r.left + 3, r.top + 3);
        dc->LineTo(r.right - 2, r.top + 3);
        dc->LineTo(r.right - 2, r.bottom - 2);
        dc->LineTo(r.left + 3, r.bottom - 2);
        dc->LineTo(r.left + 3, r.top + 2);
    }
    dc->SelectObject(old);
    ReleaseDC(dc);
}

void CTesseloView::DrawBoxOutline()
{
    InvalidateRect(nullptr, false);
    UpdateWindow();
    const RECT r = BoxPixels(ClampToMap(m_box.start, m_vp.clientWidth, m_vp.clientHeight),
                             ClampToMap(m_box.end, m_vp.clientWidth, m_vp.clientHeight));
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CDC* dc = GetDC();
    CPen* old = dc->SelectObject(&pen);
    dc->MoveTo(r.left, r.top);
    dc->LineTo(r.right, r.top);
    dc->LineTo(r.right, r.bottom);
    dc->LineTo(r.left, r.bottom);
    dc->LineTo(r.left, r.top);
    dc->SelectObject(old);
    ReleaseDC(dc);
}

void CTesseloView::FinishBox(POINT point)
{
    // The rectangle goes with a fresh frame; the list stays.
    InvalidateRect(nullptr, false);
    UpdateWindow();
    const BoxFileList list = MakeBoxFileList(BoxOfPixels(m_vp, m_box.start, point), m_show5m);
    m_text = list.text;
    if (EnsureInfoWindow()) {
        g_infoWindow->is5m = false;
        g_infoWindow->SetTitle(list.title);
        g_infoWindow->SetText(m_text);
        g_infoWindow->ShowWindow(SW_SHOW);
    }
    SetFocus();
}

bool CTesseloView::EnsureInfoWindow()
{
    if (!g_infoWindow) {
        try {
            g_infoWindow = new CInfoDialog(window());
        } catch (const std::bad_alloc&) {
            g_infoWindow = nullptr;
        }
    }
    return g_infoWindow != nullptr;
}

bool CTesseloView::PickTiles5m(POINT p, std::string& text, MeshCode& code)
{
    text.clear();
    code = -1;
    const TileHits hits = CollectHits(g_dem5Tiles, m_drawnVp, p);
    if (!hits.Any())
        return false;
    code = hits.lastCode;
    DrawPickHighlight(hits.lastRect, true);
    text = FileListText(BuildRows(g_dem5Files, DemEdition::Dem5m, hits.names), DemEdition::Dem5m, g_prefectures);
    return true;
}

void CTesseloView::ShowFileList5m(const std::string& text, MeshCode code)
{
    m_text = FrameFileList5m(text);
    if (EnsureInfoWindow()) {
        SetFileListTitle(code, true);
        g_infoWindow->SetText(m_text);
        g_infoWindow->ShowWindow(SW_SHOW);
    }
    SetFocus();
}

void CTesseloView::PickTiles10m(POINT p)
{
    if (!m_fineZoom) {
        if (g_infoWindow)
            g_infoWindow->ShowWindow(SW_HIDE);
        return;
    }
    m_text.clear();
    const TileHits hits = CollectHits(g_dem10Tiles, m_drawnVp, p);
    if (!hits.Any()) {
        if (g_infoWindow)
            g_infoWindow->ShowWindow(SW_HIDE);
        InvalidateRect(nullptr, false);
        UpdateWindow();
        return;
    }
    DrawPickHighlight(hits.lastRect, false);
    m_text = FileListText(BuildRows(g_dem10Files, DemEdition::Dem10m, hits.names), DemEdition::Dem10m, g_prefectures);
    if (!EnsureInfoWindow()) {
        SetFocus();
        return;
    }
    if (m_text.empty()) {
        g_infoWindow->ShowWindow(SW_HIDE);
        return;
    }
    SetFileListTitle(hits.lastCode, false);
    g_infoWindow->SetText(m_text);
    g_infoWindow->ShowWindow(SW_SHOW);
    SetFocus();
}
