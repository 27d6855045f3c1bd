#include "picking/pickers.h"

#include "geodata/catalogue.h"
#include "picking/boxselect.h"
#include "picking/filelist.h"
#include "picking/infodialog.h"
#include "platform/gdi.h"
#include "platform/system.h"
#include "platform/wnd.h"

#include <new>

namespace {

// A fresh frame on the window: it takes away what was drawn over the last one.
void FreshFrame(CWnd& map)
{
    map.InvalidateRect(nullptr, false);
    map.UpdateWindow();
}

// Outlines the tile hit on the window itself, over a fresh frame; narrow 5 m tiles get a dot.
void DrawPickHighlight(const PickTarget& target, const RECT& r, bool dotWhenNarrow)
{
    FreshFrame(target.map);
    CDC* dc = target.map.GetDC();
    CPen* old = dc->SelectObject(&target.outlinePen);
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
    target.map.ReleaseDC(dc);
}

// The file list window, made when there is none; false when it cannot be made.
bool EnsureInfoWindow(CWnd& map)
{
    if (!g_infoWindow) {
        try {
            g_infoWindow = new CInfoDialog(map.window());
        } catch (const std::bad_alloc&) {
            g_infoWindow = nullptr;
        }
    }
    return g_infoWindow != nullptr;
}

} // namespace

bool PickTiles5m(const PickTarget& target, POINT p, std::string& text, MeshCode& code)
{
    text.clear();
    code = -1;
    const TileHits hits = CollectHits(g_dem5Tiles, target.drawnVp, p);
    if (!hits.Any())
        return false;
    code = hits.lastCode;
    DrawPickHighlight(target, hits.lastRect, true);
    text = FileListText(BuildRows(g_dem5Files, DemEdition::Dem5m, hits.names), DemEdition::Dem5m, g_prefectures);
    return true;
}

void ShowFileList5m(const PickTarget& target, const std::string& text, MeshCode code, std::string& shown)
{
    shown = FrameFileList5m(text);
    if (EnsureInfoWindow(target.map)) {
        SetFileListTitle(code, true);
        g_infoWindow->SetText(shown);
        g_infoWindow->ShowWindow(SW_SHOW);
    }
    target.map.SetFocus();
}

void PickTiles10m(const PickTarget& target, POINT p, std::string& shown)
{
    if (!target.fineZoom) {
        if (g_infoWindow)
            g_infoWindow->ShowWindow(SW_HIDE);
        return;
    }
    shown.clear();
    const TileHits hits = CollectHits(g_dem10Tiles, target.drawnVp, p);
    if (!hits.Any()) {
        if (g_infoWindow)
            g_infoWindow->ShowWindow(SW_HIDE);
        FreshFrame(target.map);
        return;
    }
    DrawPickHighlight(target, hits.lastRect, false);
    shown = FileListText(BuildRows(g_dem10Files, DemEdition::Dem10m, hits.names), DemEdition::Dem10m, g_prefectures);
    if (!EnsureInfoWindow(target.map)) {
        target.map.SetFocus();
        return;
    }
    if (shown.empty()) {
        g_infoWindow->ShowWindow(SW_HIDE);
        return;
    }
    SetFileListTitle(hits.lastCode, false);
    g_infoWindow->SetText(shown);
    g_infoWindow->ShowWindow(SW_SHOW);
    target.map.SetFocus();
}

void DrawBoxOutline(CWnd& map, const MapViewport& vp, POINT start, POINT end)
{
    FreshFrame(map);
    const RECT r = BoxPixels(ClampToMap(start, vp.clientWidth, vp.clientHeight),
                             ClampToMap(end, vp.clientWidth, vp.clientHeight));
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CDC* dc = map.GetDC();
    CPen* old = dc->SelectObject(&pen);
    dc->MoveTo(r.left, r.top);
    dc->LineTo(r.right, r.top);
    dc->LineTo(r.right, r.bottom);
    dc->LineTo(r.left, r.bottom);
    dc->LineTo(r.left, r.top);
    dc->SelectObject(old);
    map.ReleaseDC(dc);
}

void ShowBoxFileList(const PickTarget& target, const MapViewport& vp, POINT a, POINT b, bool with5m,
                     std::string& shown)
{
    // The rectangle goes with a fresh frame; the list stays.
    FreshFrame(target.map);
    const BoxFileList list = MakeBoxFileList(BoxOfPixels(vp, a, b), with5m);
    shown = list.text;
    if (EnsureInfoWindow(target.map)) {
        g_infoWindow->is5m = false;
        g_infoWindow->SetTitle(list.title);
        g_infoWindow->SetText(shown);
        g_infoWindow->ShowWindow(SW_SHOW);
    }
    target.map.SetFocus();
}
