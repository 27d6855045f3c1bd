// The standard regional grid of Japan: code to square, point to code digits.
#pragma once

#include "geodata/geotypes.h"

#include <optional>

// True when the code has 6 or 8 decimal digits; rect then holds its square. Otherwise false
// with rect all zero.
bool MeshCodeToRect(MeshCode code, GeoRect& rect);

struct MeshCodeParts {
    int32_t first = 0;   // first-level code, 4 digits in Japan
    int32_t second = 0;  // second-level row and column digits read as one number
    int32_t third = 0;   // third-level row and column digits read as one number
    friend bool operator==(const MeshCodeParts&, const MeshCodeParts&) = default;
};

// The grid covers first-level rows 30 to 68 and columns 22 to 53: 20 to 46 degrees north, 122 to
// 154 degrees east.
constexpr int kGridFirstRowMin = 30, kGridFirstRowMax = 68;
constexpr int kGridFirstColumnMin = 22, kGridFirstColumnMax = 53;

// A point's code is that of the square whose MeshCodeToRect rectangle holds it: south and west
// edges inside, north and east edges outside. A point less than this far south or west of an edge
// counts as on it, so that typed decimals (139.7, 35.5) land in the square they name although
// their doubles may lie a few bits short of the edge.
constexpr double kEdgeTolerance = 1e-9;

// The code digits of the third-level square holding the point: first-level code, second- and
// third-level row and column digits. Nothing outside the grid or for a non-finite input.
std::optional<MeshCodeParts> PointToMeshCodes(double lat, double lon);

// The 6-digit (second level) or 8-digit (third level) code of the square holding the point, by
// the same rule; nothing outside the grid.
std::optional<MeshCode> PointToMeshCode(double lat, double lon, bool thirdLevel);

// A code of the grid: 6 or 8 digits, the first-level square inside the grid, second-level row and
// column digits 0 to 7.
bool IsGridMeshCode(MeshCode code);

// The leading integer of a text: an optional sign and decimal digits up to the first other
// character; 0 when there is none. Saturates at the ends of the int range.
int32_t LeadingInteger(const char* text);
