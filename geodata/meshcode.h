// The standard regional grid of Japan: code to square, point to code digits.
#pragma once

#include "geodata/geotypes.h"

// True when the code has 6 or 8 decimal digits; rect then holds its square. Otherwise false
// with rect all zero.
bool MeshCodeToRect(MeshCode code, GeoRect& rect);

struct MeshCodeParts {
    int32_t first = 0;   // first-level code, 4 digits in Japan
    int32_t second = 0;  // second-level row and column digits read as one number
    int32_t third = 0;   // third-level row and column digits read as one number
    friend bool operator==(const MeshCodeParts&, const MeshCodeParts&) = default;
};

// The code digits that the status bar shows for a point. Any input gives three integers.
MeshCodeParts PointToMeshCodes(double lat, double lon);

// The leading integer of a text: an optional sign and decimal digits up to the first other
// character; 0 when there is none. Saturates at the ends of the int range.
int32_t LeadingInteger(const char* text);
