#include "picking/panel.h"

#include "geodata/geotypes.h"
#include "platform/gdi.h"
#include "projection/screenscale.h"
#include "projection/zoomlevels.h"

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

void LayoutPanelButtons(int cx, RECT buttons[kPanelButtons])
{
    buttons[0] = RECT{cx - g_buttonWidth - 15, 10, cx - 15, g_buttonHeight + 10};
    for (int i = 1; i < kPanelButtons; ++i) {
        buttons[i].left = buttons[i - 1].left;
        buttons[i].right = buttons[i - 1].right;
        buttons[i].top = buttons[i - 1].bottom + 5;
        buttons[i].bottom = buttons[i].top + g_buttonHeight;
    }
}

bool PanelButtonShown(int i, double zoom)
{
    switch (i) {
    case kButton5m:
        return zoom >= g_fiveMeterZoom;
    case kButtonMunicipalities:
        return zoom >= kMunicipalityNamesFromZoom;
    case kButtonIslands:
    case kButtonMountains:
    case kButtonLakes:
        return zoom >= kPlaceNamesFromZoom;
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
