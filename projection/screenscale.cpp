#include "projection/screenscale.h"

#include "geodata/geotypes.h"
#include "platform/system.h"
#include "platform/wintypes.h"

double g_screenScale = 1.0;
double g_fiveMeterZoom = 4.0;
int g_buttonWidth = 80;
int g_buttonHeight = 23;

void InitScreenScale()
{
    const int icon = GetSystemMetrics(SM_CXICON);
    g_screenScale = icon / 32.0;
    g_fiveMeterZoom = 16 / (icon * 0.03125 * 4);
    g_buttonWidth = TruncToInt(icon * 0.03125 * 80);
    g_buttonHeight = TruncToInt(icon * 0.03125 * 23);
}

int ScaledSize(double nominal)
{
    return TruncToInt(GetSystemMetrics(SM_CXICON) * 0.03125 * nominal);
}
