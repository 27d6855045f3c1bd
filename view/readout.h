// The pointer's position in the status bar: degrees, minutes and seconds with the decimal
// degrees (pane 2), and the code of the grid square under it (pane 3).
#pragma once

#include "geodata/geotypes.h"

#include <string>

// D + M/100 + S/10000, the seconds rounded, negative for a negative angle.
double PackDegMinSec(double degrees);

// CP932 texts of panes 2 and 3 for a cursor position.
std::string CoordinateText(GeoPoint cursor);
std::string MeshCodeText(GeoPoint cursor);

// Writes both panes of the status bar, repainting them now.
void WriteReadout(GeoPoint cursor);
