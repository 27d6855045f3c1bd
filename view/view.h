// The map view: projection state, drawing tools, layer toggles, the control-panel rectangles,
// the marker, and the elevation raster and relief image it owns.
#pragma once

#include "geodata/meshdb.h"
#include "platform/gdi.h"
#include "platform/wnd.h"
#include "render/relief.h"
#include "view/viewport.h"

#include <string>

constexpr unsigned kStartupTimerId = 1000001;
constexpr unsigned kStartupTimerMs = 2000;

class CTesseloView : public CView {
    Q_OBJECT
public:
    explicit CTesseloView(QWidget* parent = nullptr);
    ~CTesseloView() override;

    void OnInitialUpdate() override;
    void ResetToHome();
    // Invalidate with erasing and paint at once.
    void RepaintNow();

    char m_notice[1024] = {};
    bool m_fineZoom = false;
    bool m_splash = true;
    bool m_show5m = false;
    bool m_showMunicipalities = true;
    bool m_showIslands = true;
    bool m_showMountains = false;
    bool m_showLakes = false;
    bool m_buttonShown[7] = {};
    CPen m_penPick;
    CPen m_penMarker;
    CPen m_penGrid;
    CPen m_penTile10;
    CPen m_penTile5;
    CPen m_penBoundary;
    POINT m_lastMouse;
    std::string m_text;
    CFont m_fontLarge;
    CFont m_fontSmall;
    CFont m_fontMedium;
    CMeshDB m_meshDB;
    ReliefRaster m_relief;
    RECT m_buttonRect[7] = {};
    CBitmap m_splashBitmap;
    MapViewport m_vp;
    POINT m_leftDown;
    POINT m_leftUp;
    GeoPoint m_startCenter;
    GeoPoint m_marker{-1.0, -1.0};
    const GeoPoint m_homePoint{138.0, 33.0};

protected:
    void OnDraw(CDC* dc) override;
    bool OnEraseBkgnd(CDC* dc) override;
    void OnSize(unsigned type, int cx, int cy) override;
    void OnMouseMove(unsigned flags, POINT point) override;
    void OnLButtonDown(unsigned flags, POINT point) override;
    void OnTimer(unsigned id) override;
    bool OnMouseWheel(unsigned flags, short delta, POINT screenPoint) override;
    void OnRButtonDblClk(unsigned flags, POINT point) override;

private:
    void DrawSplash(CDC* dc);
};

// The one view; set at its initial update.
extern CTesseloView* g_view;

// The logical font of the map's texts at a nominal size.
LOGFONTA MapFont(int nominalSize);
