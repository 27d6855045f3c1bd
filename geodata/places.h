// The four gazetteers: municipalities, islands, mountains and lakes.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <string_view>
#include <vector>

enum PlaceKind : uint8_t {
    kPlaceOther = 0,
    kPlaceCity = 1,     // ends in 市
    kPlaceWard = 2,     // ends in 区
    kPlaceTown = 3,     // ends in 町
    kPlaceVillage = 4,  // ends in 村
    kPlaceFeature = 5,  // island, mountain or lake
};

struct PlaceEntry {
    double lat = 0.0;
    double lon = 0.0;
    POINT screenPos;     // the label's anchor pixel, written when the label is drawn
    char name[30] = {};  // CP932, at most 29 bytes
    PlaceKind kind = kPlaceOther;
};

extern std::vector<PlaceEntry> g_municipalities;
extern std::vector<PlaceEntry> g_islands;
extern std::vector<PlaceEntry> g_mountains;
extern std::vector<PlaceEntry> g_lakes;

constexpr int kResourceMunicipalities = 131;
constexpr int kResourceIslands = 148;
constexpr int kResourceMountains = 149;
constexpr int kResourceLakes = 150;
constexpr int kPlaceRecordSize = 48;

// Kind of a municipality by the last character of its CP932 name.
PlaceKind KindFromName(std::string_view name);

void LoadPlaces(int id, std::vector<PlaceEntry>& collection, bool kindFromName);
// The four gazetteers in their order: municipalities, islands, mountains, lakes.
void LoadGazetteers();
// Reads gazetteer records from resource bytes (the loader and the fuzzer).
void ReadPlaces(const unsigned char* bytes, size_t size, std::vector<PlaceEntry>& collection, bool kindFromName);
