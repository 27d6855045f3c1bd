// The municipal areas (N03 2021): the polygons of every municipality and ward, loaded on demand
// by the commands that ask about them, never at the window's start-up.
#pragma once

#include "geodata/geotypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MunicipalArea {
    int32_t prefecture = 0;  // 0-based, as in g_prefectures
    int32_t code = 0;        // the 5-digit local government code
    std::string upper;       // CP932: the county or designated city, may be empty
    std::string name;        // CP932: the municipality or ward
    // Closed rings, islands and holes alike: a point is inside when an odd number surround it.
    std::vector<std::vector<GeoPoint>> rings;
    GeoRect bounds{};
};

extern std::vector<MunicipalArea> g_municipalAreas;

constexpr int kResourceMunicipalAreas = 160;

// Inflates the embedded data set into g_municipalAreas (once; later calls keep what is there).
// False when it is not embedded or cannot be read.
bool LoadMunicipalAreas();
// Reads areas from content bytes; a record cut off by the end is dropped with all after it.
void ReadMunicipalAreas(const unsigned char* content, size_t size);

// Whether the point lies inside the area (even-odd over its rings; a point on an edge may go
// either way).
bool AreaContains(const MunicipalArea& area, GeoPoint p);
// Whether the interiors of the area and the rectangle overlap: sharing only an edge or a corner
// does not count. The rectangle's edges are taken 1e-9 degrees inwards, so that edges that
// should coincide but differ in their last bits do not count either.
bool AreaMeetsRectInterior(const MunicipalArea& area, const GeoRect& rect);
