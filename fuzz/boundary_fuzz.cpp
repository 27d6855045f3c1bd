#include "geodata/boundary.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BoundaryItems().swap(g_boundaryPoints);
    ReadBoundaryLines(data, size);
    // Every header is followed by its box and exactly n vertices.
    for (size_t i = 0; i < g_boundaryPoints.size();) {
        if (g_boundaryPoints[i].x != 0.0)
            __builtin_trap();
        i += static_cast<size_t>(g_boundaryPoints[i].y) + 3;
        if (i > g_boundaryPoints.size())
            __builtin_trap();
    }
    return 0;
}
