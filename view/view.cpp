#include "view/view.h"

#include "geodata/geodata.h"
#include "platform/kernel.h"
#include "platform/system.h"
#include "picking/filelist.h"
#include "picking/infodialog.h"
#include "picking/panel.h"
#include "render/layers.h"
#include "render/tileaxes.h"
#include "render/memdc.h"
#include "view/navigation.h"
#include "view/readout.h"
#include "view/screenscale.h"

#include <cstring>

CTesseloView* g_view = nullptr;

LOGFONTA MapFont(int nominalSize)
{
    LOGFONTA lf;
    lf.lfHeight = TruncToInt(GetSystemMetrics(SM_CXICON) * -0.03125 * nominalSize);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = FF_MODERN;
    std::strcpy(lf.lfFaceName, "MS gothic");
    return lf;
}

CTesseloView::CTesseloView(QWidget* parent) : CView(parent)
{
    // The frame has not recorded the module yet; the strings are the application's own.
    LoadStringA(GetModuleHandle(nullptr), 57348, m_notice, 1023);
    m_splashBitmap.LoadBitmap(136);
}

CTesseloView::~CTesseloView()
{
    m_penPick.DeleteObject();
    m_penMarker.DeleteObject();
    m_penGrid.DeleteObject();
    m_penTile10.DeleteObject();
    m_penTile5.DeleteObject();
    m_penBoundary.DeleteObject();
    m_fontLarge.DeleteObject();
    m_fontSmall.DeleteObject();
    m_fontMedium.DeleteObject();
    m_splashBitmap.DeleteObject();
    m_relief.Release();
    delete g_infoWindow;
    if (g_view == this)
        g_view = nullptr;
}

void CTesseloView::OnInitialUpdate()
{
    g_view = this;
    SetTimer(kStartupTimerId, kStartupTimerMs);
    RECT client;
    GetClientRect(&client);
    InitViewport(m_vp, client.right, client.bottom);
    m_startCenter = m_vp.center;

    m_penPick.CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    m_penMarker.CreatePen(PS_SOLID, 1, RGB(255, 69, 0));
    m_penGrid.CreatePen(PS_SOLID, 1, RGB(255, 64, 64));
    m_penTile10.CreatePen(PS_SOLID, 1, RGB(127, 127, 127));
    m_penTile5.CreatePen(PS_SOLID, 1, RGB(205, 41, 144));
    m_penBoundary.CreatePen(PS_SOLID, 1, RGB(205, 179, 139));
    const LOGFONTA large = MapFont(15), small = MapFont(11), medium = MapFont(12);
    m_fontLarge.CreateFontIndirect(&large);
    m_fontSmall.CreateFontIndirect(&small);
    m_fontMedium.CreateFontIndirect(&medium);

    LoadGeodata();
    m_meshDB.LoadElevationRaster();
    // The corners follow the new scales at once, so the first map frame has them right.
    UpdateVisibleCorners(m_vp);
}

void CTesseloView::OnSize(unsigned, int cx, int cy)
{
    m_relief.ResizeRelief(cx + 1, cy + 1);
    ResizeViewport(m_vp, cx, cy);
    LayoutPanelButtons(cx, m_buttonRect);
}

void CTesseloView::ResetToHome()
{
    m_relief.brightness = 1.0;
    m_vp.zoom = kStartZoom;
    m_vp.home = kHomeRect;
    m_vp.center = m_startCenter;
    RepaintNow();
}

void CTesseloView::RepaintNow()
{
    InvalidateRect(nullptr, true);
    UpdateWindow();
}

bool CTesseloView::OnEraseBkgnd(CDC*)
{
    InvalidateRect(nullptr, false);
    return false;
}

void CTesseloView::OnDraw(CDC* dc)
{
    if (!GetDocument())
        return;
    IMemDC mem(dc);
    if (m_splash) {
        mem.ClearOutside(RECT{});
        DrawSplash(&mem);
        return;
    }
    for (bool& shown : m_buttonShown)
        shown = false;
    const double z = m_vp.zoom;
    m_fineZoom = z > 18.0;
    m_drawnVp = m_vp;
    mem.ClearOutside(m_relief.CoveredRect());
    m_relief.DrawRelief(&mem, m_vp, m_meshDB);
    if (z >= g_fiveMeterZoom && m_show5m)
        DrawTiles5m(&mem, *this);
    if (z >= 22.0)
        DrawTiles10m(&mem, *this);
    else if (m_fineZoom)
        UpdateTileRects10m(*this);  // picked at this zoom, so kept up to date though not drawn
    if (z >= 26.0)
        DrawBoundaryLines(&mem, *this);
    if (z >= 38.0 && m_showMunicipalities)
        DrawMunicipalityNames(&mem, *this);
    if (z >= 5.0 && m_showIslands)
        DrawIslandNames(&mem, *this);
    if (z >= 5.0 && m_showMountains)
        DrawMountainNames(&mem, *this);
    if (z >= 5.0 && m_showLakes)
        DrawLakeNames(&mem, *this);
    if (z >= 1.7)
        DrawFirstLevelGrid(&mem, *this);
    if (z >= 2.9 && !m_fineZoom)
        DrawFirstLevelLabels(&mem, *this);
    const bool states[kPanelButtons] = {m_show5m, m_showMunicipalities, m_showIslands, m_showMountains,
                                        m_showLakes, true, true};
    if (m_vp.clientWidth >= 120 && m_vp.clientHeight >= 50)
        for (int i = 0; i < kPanelButtons; ++i)
            if (PanelButtonShown(i, z)) {
                DrawPanelButton(&mem, m_buttonRect[i], kPanelLabels[i], states[i], &m_fontMedium);
                m_buttonShown[i] = true;
            }
    if (m_marker.lon >= 0.0 && m_marker.lat >= 0.0)
        DrawMarker(&mem, *this);
    DrawNotice(&mem, *this);
}

void CTesseloView::DrawSplash(CDC* dc)
{
    CDC bitmapDC;
    bitmapDC.CreateCompatibleDC(dc);
    CBitmap* previous = bitmapDC.SelectObject(&m_splashBitmap);
    BITMAP info;
    if (m_splashBitmap.GetBitmap(&info)) {
        dc->SetStretchBltMode(COLORONCOLOR);
        dc->StretchBlt(m_vp.anchorX - info.bmWidth / 2, m_vp.anchorY - info.bmHeight / 2, info.bmWidth,
                       info.bmHeight, &bitmapDC, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    bitmapDC.SelectObject(previous);
    bitmapDC.DeleteDC();
}

void CTesseloView::OnMouseMove(unsigned flags, POINT point)
{
    m_vp.cursor = ClientToGeo(m_vp, point);
    WriteReadout(m_vp.cursor);
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
        DrawBoxOutline();
}

void CTesseloView::OnLButtonDown(unsigned flags, POINT point)
{
    m_leftDown = point;
    m_box.Press(flags, point, PanelButtonAt(m_buttonShown, m_buttonRect, point) >= 0, !m_splash);
}

void CTesseloView::OnTimer(unsigned id)
{
    if (id == kStartupTimerId) {
        m_splash = false;
        KillTimer(kStartupTimerId);
        RepaintNow();
        // While the first map frame is looked at; picks and tile frames are quick from then on.
        PreparePickIndexes();
        TileAxesFor(g_dem10Tiles);
        TileAxesFor(g_dem5Tiles);
    }
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
