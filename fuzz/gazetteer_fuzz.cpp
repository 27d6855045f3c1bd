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
    return 0;
}
