// The map view: projection state, drawing tools, layer toggles, the control-panel rectangles,
// the marker, and the elevation raster and relief image it owns.
#pragma once

#include "geodata/meshdb.h"
#include "picking/boxselect.h"
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

    // The pickers: PickTiles5m lists the 5 m files under p in text and the last tile's code,
    // true when a tile was hit; PickTiles10m runs the whole 10 m pick, window and all.
    bool PickTiles5m(POINT p, std::string& text, MeshCode& code);
    void PickTiles10m(POINT p);
    // Shows a 5 m list in the file list window.
    void ShowFileList5m(const std::string& text, MeshCode code);
    // The panel button i, as clicked.
    void PressPanelButton(int i);
    void RunJumpDialog();
    void OpenWebMap();

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
    // The viewport of the map frame on screen, which the tile rectangles were projected with.
    MapViewport m_drawnVp;
    POINT m_leftDown;
    POINT m_leftUp;
    // Where the middle button went down; (-1, -1) when it is up.
    POINT m_middleDown{-1, -1};
    GeoPoint m_startCenter;
    // The Shift + left-button box, while it is drawn.
    BoxDrag m_box;
    GeoPoint m_marker{-1.0, -1.0};
    const GeoPoint m_homePoint{138.0, 33.0};

protected:
    void OnDraw(CDC* dc) override;
    bool OnEraseBkgnd(CDC* dc) override;
    void OnSize(unsigned type, int cx, int cy) override;
    void OnMouseMove(unsigned flags, POINT point) override;
    void OnLButtonDown(unsigned flags, POINT point) override;
    void OnLButtonUp(unsigned flags, POINT point) override;
    void OnMButtonDown(unsigned flags, POINT point) override;
    void OnMButtonUp(unsigned flags, POINT point) override;
    void OnMButtonDblClk(unsigned flags, POINT point) override;
    void OnKeyDown(unsigned vk, unsigned repeat, unsigned flags) override;
    void OnTimer(unsigned id) override;
    bool OnMouseWheel(unsigned flags, short delta, POINT screenPoint) override;
    void OnRButtonDblClk(unsigned flags, POINT point) override;

private:
    void DrawSplash(CDC* dc);
    // Outlines the tile hit on the window itself, over a fresh frame; narrow 5 m tiles get a dot.
    void DrawPickHighlight(const RECT& r, bool dotWhenNarrow);
    // The file list window, made when there is none; null when it cannot be made.
    bool EnsureInfoWindow();
    // The box being drawn, as a thin rectangle over a fresh frame; the release lists its files.
    void DrawBoxOutline();
    void FinishBox(POINT point);
};

// The one view; set at its initial update.
extern CTesseloView* g_view;

// The logical font of the map's texts at a nominal size.
LOGFONTA MapFont(int nominalSize);
