// The map view: projection state, drawing tools, layer toggles, the control-panel rectangles,
// the marker, and the elevation raster and relief image it owns. It composes the frame from the
// layers of render/ (view.cpp) and hands input to the decisions of picking/ (input.cpp).
#pragma once

#include "geodata/meshdb.h"
#include "picking/boxselect.h"
#include "picking/panel.h"
#include "platform/gdi.h"
#include "platform/wnd.h"
#include "projection/viewport.h"
#include "render/framestyle.h"
#include "render/relief.h"

#include <string>

constexpr unsigned kStartupTimerId = 1000001;
constexpr unsigned kStartupTimerMs = 2000;

class CStatusBar;
struct PickTarget;

class CTesseloView : public CView {
    Q_OBJECT
public:
    explicit CTesseloView(QWidget* parent = nullptr);
    ~CTesseloView() override;

    void OnInitialUpdate() override;
    void ResetToHome();
    // Invalidate with erasing and paint at once.
    void RepaintNow();

    // The status bar whose panes show the pointer's position; none until the frame has one.
    void SetStatusBar(CStatusBar* bar) { m_statusBar = bar; }
    // The panel button i (PanelButton), as clicked.
    void PressPanelButton(int i);
    void RunJumpDialog();
    void OpenWebMap();

    bool m_fineZoom = false;
    bool m_splash = true;
    bool m_show5m = false;
    bool m_showMunicipalities = true;
    bool m_showIslands = true;
    bool m_showMountains = false;
    bool m_showLakes = false;
    // The buttons the last map frame drew, by PanelButton, and where they are.
    bool m_buttonShown[kPanelButtons] = {};
    RECT m_buttonRect[kPanelButtons] = {};
    // The pens, fonts and notice of the frame.
    FrameStyle m_style;
    POINT m_lastMouse;
    // The text of the last list put into the file list window.
    std::string m_text;
    CMeshDB m_meshDB;
    ReliefRaster m_relief;
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
    // view.cpp: the frame.
    void OnDraw(CDC* dc) override;
    bool OnEraseBkgnd(CDC* dc) override;
    void OnSize(unsigned type, int cx, int cy) override;
    void OnTimer(unsigned id) override;
    // input.cpp: the pointer and the keyboard.
    void OnMouseMove(unsigned flags, POINT point) override;
    void OnLButtonDown(unsigned flags, POINT point) override;
    void OnLButtonUp(unsigned flags, POINT point) override;
    void OnMButtonDown(unsigned flags, POINT point) override;
    void OnMButtonUp(unsigned flags, POINT point) override;
    void OnMButtonDblClk(unsigned flags, POINT point) override;
    void OnKeyDown(unsigned vk, unsigned repeat, unsigned flags) override;
    bool OnMouseWheel(unsigned flags, short delta, POINT screenPoint) override;
    void OnRButtonDblClk(unsigned flags, POINT point) override;

private:
    void DrawSplash(CDC* dc);
    // The map as the pickers see it.
    PickTarget Picking();
    // Both readout panes of the status bar, for the pointer at the cursor, repainted now.
    void WriteReadout();

    CStatusBar* m_statusBar = nullptr;
};

// The one view; set at its initial update.
extern CTesseloView* g_view;
