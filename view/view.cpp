#include "view/view.h"

#include "geodata/geodata.h"
#include "picking/filelist.h"
#include "picking/infodialog.h"
#include "platform/kernel.h"
#include "platform/system.h"
#include "projection/screenscale.h"
#include "projection/zoomlevels.h"
#include "render/layers.h"
#include "render/memdc.h"
#include "render/tileaxes.h"

CTesseloView* g_view = nullptr;

CTesseloView::CTesseloView(QWidget* parent) : CView(parent)
{
    // The frame has not recorded the module yet; the strings are the application's own.
    LoadStringA(GetModuleHandle(nullptr), 57348, m_style.notice, 1023);
    m_splashBitmap.LoadBitmap(136);
}

CTesseloView::~CTesseloView()
{
    m_style.Delete();
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

    m_style.Create();

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
    m_fineZoom = z > kFineZoomAbove;
    m_drawnVp = m_vp;
    mem.ClearOutside(m_relief.CoveredRect());
    m_relief.DrawRelief(&mem, m_vp, m_meshDB);
    if (z >= g_fiveMeterZoom && m_show5m)
        DrawTiles5m(&mem, m_vp, m_style);
    if (z >= kTenMeterTilesFromZoom)
        DrawTiles10m(&mem, m_vp, m_style);
    else if (m_fineZoom)
        UpdateTileRects10m(m_vp);  // picked at this zoom, so kept up to date though not drawn
    if (z >= kBoundaryLinesFromZoom)
        DrawBoundaryLines(&mem, m_vp, m_style);
    if (z >= kMunicipalityNamesFromZoom && m_showMunicipalities)
        DrawMunicipalityNames(&mem, m_vp, m_style);
    if (z >= kPlaceNamesFromZoom && m_showIslands)
        DrawIslandNames(&mem, m_vp, m_style);
    if (z >= kPlaceNamesFromZoom && m_showMountains)
        DrawMountainNames(&mem, m_vp, m_style);
    if (z >= kPlaceNamesFromZoom && m_showLakes)
        DrawLakeNames(&mem, m_vp, m_style);
    if (z >= kGridLinesFromZoom)
        DrawFirstLevelGrid(&mem, m_vp, m_style);
    if (z >= kGridLabelsFromZoom && !m_fineZoom)
        DrawFirstLevelLabels(&mem, m_vp, m_meshDB);
    const bool states[kPanelButtons] = {m_show5m, m_showMunicipalities, m_showIslands, m_showMountains,
                                        m_showLakes, true, true};
    if (m_vp.clientWidth >= kPanelMinClientWidth && m_vp.clientHeight >= kPanelMinClientHeight)
        for (int i = 0; i < kPanelButtons; ++i)
            if (PanelButtonShown(i, z)) {
                DrawPanelButton(&mem, m_buttonRect[i], kPanelLabels[i], states[i], &m_style.fontMedium);
                m_buttonShown[i] = true;
            }
    if (m_marker.lon >= 0.0 && m_marker.lat >= 0.0)
        DrawMarker(&mem, m_vp, m_style, m_marker);
    DrawNotice(&mem, m_vp, m_style);
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
