#include "geodata/placeindex.h"
#include "geodata/places.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<PlaceEntry> places;
    ReadPlaces(data, size, places, size > 0 && (data[size - 1] & 1));
    for (const PlaceEntry& p : places)
        if (std::strlen(p.name) > 29)
            __builtin_trap();
    // The place index of the same bytes: whole or nothing, prefectures 0 to 47.
    PlaceIndex index;
    const bool ok = ReadPlaceIndex(data, size, index);
    if (!ok && (!index.prefectures.empty() || !index.sections.empty() || !index.aliases.empty()))
        __builtin_trap();
    for (const PlaceIndexSection& s : index.sections)
        for (const uint8_t p : s.prefectures)
            if (p > 47)
                __builtin_trap();
    for (const PlaceAlias& a : index.aliases)
        if (a.name.size() > 32 || (a.resource == kResourcePlaceIndex && a.index >= index.prefectures.size()))
            __builtin_trap();
    return 0;
}
