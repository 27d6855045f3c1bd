// Decisions of the pointer navigation, apart from the window.
#pragma once

#include "projection/viewport.h"

// One right-button drag step of (dx, dy) pixels. Returns whether it is taken and, if so, the
// new centre. Without relief on screen only steps towards home (in longitude, or failing
// that in latitude) are taken.
bool DragStep(const MapViewport& vp, int dx, int dy, int rowsPainted, GeoPoint home, GeoPoint* newCenter);

// One wheel message at client point p: zoom by 1.2 per step (only the sign of delta counts),
// brightness by 0.02 the other way, both clamped, and the centre moved so that the point under
// the pointer keeps its pixel.
void WheelStep(MapViewport& vp, double& brightness, short delta, POINT p);
