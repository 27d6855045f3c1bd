// The embedded collections, filled once at start-up.
#pragma once

// Fills every embedded collection, in a fixed order.
void LoadGeodata();
