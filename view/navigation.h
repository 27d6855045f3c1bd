// Decisions of the pointer navigation, apart from the window.
#pragma once

#include "view/viewport.h"

// One right-button drag step of (dx, dy) pixels. Returns whether it is taken and, if so, the
// new centre. Without relief on screen only steps towards home (in longitude, or failing
// that in latitude) are taken.
bool DragStep(const MapViewport& vp, int dx, int dy, int rowsPainted, GeoPoint home, GeoPoint* newCenter);
