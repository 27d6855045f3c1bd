// Sizes that follow the system's text size: a nominal size N is trunc(SM_CXICON x 0.03125 x N).
#pragma once

extern double g_screenScale;    // SM_CXICON / 32
extern double g_fiveMeterZoom;  // the zoom from which the 5 m layer and its button appear
extern int g_buttonWidth;
extern int g_buttonHeight;

// Reads SM_CXICON and sets the four globals; once at start-up, before the application starts.
void InitScreenScale();
// trunc(SM_CXICON x 0.03125 x nominal), SM_CXICON read now.
int ScaledSize(double nominal);
