// Places by name in the four gazetteers, for the command line.
#pragma once

#include "geodata/places.h"

#include <string>
#include <string_view>
#include <vector>

struct PlaceMatch {
    const char* kind = "";  // municipality, island, mountain or lake
    const PlaceEntry* place = nullptr;
    std::string nameUtf8;   // without the line end some island names carry
};

// Names equal to text first, then names that contain it; within each, municipalities, islands,
// mountains and lakes in their order. text is UTF-8; an empty text matches nothing.
std::vector<PlaceMatch> FindPlaces(std::string_view text, size_t limit);

// "KIND<TAB>NAME<TAB>LAT<TAB>LON<TAB>CODE": latitude and longitude with six decimals in the C
// format, CODE the status bar's grid-square readout of that point ("5339-45-25").
std::string PlaceMatchLine(const PlaceMatch& m);
