#include "geodata/municipal.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_municipalAreas.clear();
    ReadMunicipalAreas(data, size);
    // Every area read holds only points of the input, each four bytes of it.
    size_t points = 0;
    for (const MunicipalArea& a : g_municipalAreas) {
        for (const auto& ring : a.rings)
            points += ring.size();
        AreaMeetsRectInterior(a, GeoRect{35.0, 139.0, 36.0, 140.0});
    }
    if (points * 4 > size)
        __builtin_trap();
    return 0;
}
