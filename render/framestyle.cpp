#include "render/framestyle.h"

#include "geodata/geotypes.h"
#include "platform/system.h"

#include <cstring>

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

void FrameStyle::Create()
{
    penPick.CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    penMarker.CreatePen(PS_SOLID, 1, RGB(255, 69, 0));
    penGrid.CreatePen(PS_SOLID, 1, RGB(255, 64, 64));
    penTile10.CreatePen(PS_SOLID, 1, RGB(127, 127, 127));
    penTile5.CreatePen(PS_SOLID, 1, RGB(205, 41, 144));
    penBoundary.CreatePen(PS_SOLID, 1, RGB(205, 179, 139));
    const LOGFONTA large = MapFont(15), small = MapFont(11), medium = MapFont(12);
    fontLarge.CreateFontIndirect(&large);
    fontSmall.CreateFontIndirect(&small);
    fontMedium.CreateFontIndirect(&medium);
}

void FrameStyle::Delete()
{
    penPick.DeleteObject();
    penMarker.DeleteObject();
    penGrid.DeleteObject();
    penTile10.DeleteObject();
    penTile5.DeleteObject();
    penBoundary.DeleteObject();
    fontLarge.DeleteObject();
    fontSmall.DeleteObject();
    fontMedium.DeleteObject();
}
