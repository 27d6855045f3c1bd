// The pointer's position in the status bar: degrees, minutes and seconds with the decimal
// degrees (pane 2), and the code of the grid square under it (pane 3).
#pragma once

#include "geodata/geotypes.h"

#include <cstdint>
#include <string>

// An angle's whole degrees, minutes and seconds, the seconds rounded to the nearest whole second
// (halves up) and carried into minutes and degrees: minutes and seconds are 0 to 59.
struct DegMinSec {
    bool negative = false;
    int64_t degrees = 0;
    int minutes = 0;
    int seconds = 0;
    friend bool operator==(const DegMinSec&, const DegMinSec&) = default;
};
DegMinSec SplitDegMinSec(double degrees);

// D + M/100 + S/10000 of SplitDegMinSec, negative for a negative angle.
double PackDegMinSec(double degrees);

// CP932 texts of panes 2 and 3 for a cursor position. Pane 3 is " ----" outside the grid.
std::string CoordinateText(GeoPoint cursor);
std::string MeshCodeText(GeoPoint cursor);
