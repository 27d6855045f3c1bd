#include "picking/panel.h"

#include "geodata/geotypes.h"
#include "platform/gdi.h"
#include "view/screenscale.h"

#include <cstring>

// "5m メッシュ", "区市町村名", "　島  名 ", "　山  岳 ", "　湖  沼 ", " 位置指定 ", "　全  体 "
const char* const kPanelLabels[kPanelButtons] = {
    "5m \x83\x81\x83\x62\x83\x56\x83\x85",
    "\x8B\xE6\x8E\x73\x92\xAC\x91\xBA\x96\xBC",
    "\x81\x40\x93\x87  \x96\xBC ",
    "\x81\x40\x8E\x52  \x8A\x78 ",
    "\x81\x40\x8C\xCE  \x8F\xC0 ",
    " \x88\xCA\x92\x75\x8E\x77\x92\xE8 ",
    "\x81\x40\x91\x53  \x91\xCC ",
};

bool PanelButtonShown(int i, double zoom)
{
    switch (i) {
    case 0:
        return zoom >= g_fiveMeterZoom;
    case 1:
        return zoom >= 38.0;
    case 2:
    case 3:
    case 4:
        return zoom >= 5.0;
    default:
        return true;
    }
}

void DrawPanelButton(CDC* dc, const RECT& rect, const char* label, bool on, CFont* font)
{
    CBrush brush(on ? RGB(255, 69, 0) : RGB(64, 64, 64));
    CPen pen(PS_SOLID, 1, RGB(255, 255, 255));
    CBrush* oldBrush = dc->SelectObject(&brush);
    CPen* oldPen = dc->SelectObject(&pen);
    CFont* oldFont = dc->SelectObject(font);
    const int corner = TruncToInt(10 * g_screenScale);
    dc->RoundRect(rect.left, rect.top, rect.right, rect.bottom, corner, corner);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextAlign(TA_LEFT | TA_BOTTOM);
    dc->SetTextColor(RGB(255, 255, 255));
    dc->TextOut(rect.left + TruncToInt(10 * g_screenScale), rect.top + TruncToInt(18 * g_screenScale), label,
                static_cast<int>(std::strlen(label)));
    dc->SelectObject(oldFont);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
}

int PanelButtonAt(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT p)
{
    for (int i = 0; i < kPanelButtons; ++i)
        if (shown[i] && PtInRect(rects[i], p))
            return i;
    return -1;
}

MapClick MapClickOf(POINT down, POINT up, bool altDown, bool show5m, bool button0Shown)
{
    if (up == down && altDown)
        return MapClick::WebMap;
    return show5m && button0Shown ? MapClick::Pick5mFirst : MapClick::Pick10m;
}

bool MiddleClickOpensWebMap(const bool shown[kPanelButtons], const RECT rects[kPanelButtons], POINT down, POINT up)
{
    return up == down && PanelButtonAt(shown, rects, up) < 0;
}
