#include "geodata/boundary.h"

#include "geodata/inflate.h"
#include "geodata/records.h"

#include <algorithm>
#include <cstring>

BoundaryItems g_boundaryPoints;

BoundaryItem UnpackBoundaryPoint(uint32_t v)
{
    return BoundaryItem{(v >> 16) / 1000.0 + 100.0, (v & 0xFFFF) / 1000.0};
}

void ReadBoundaryLines(const unsigned char* content, size_t size)
{
    MakeRoom(g_boundaryPoints, kBoundaryReserve - std::min(kBoundaryReserve, g_boundaryPoints.size()));
    if (!content)
        return;
    size_t o = 0;
    while (o + 4 <= size) {
        int32_t n;
        std::memcpy(&n, content + o, 4);
        if (n <= 0)
            break;  // the zeros after the content
        // A polyline cut off by the end is dropped whole: every header is followed by its box
        // and exactly n vertices.
        const size_t items = static_cast<size_t>(n) + 2;
        if (items > (size - o - 4) / 4)
            break;
        g_boundaryPoints.push_back(BoundaryItem{0.0, static_cast<double>(n)});
        o += 4;
        for (size_t k = 0; k < items; ++k, o += 4) {
            uint32_t v;
            std::memcpy(&v, content + o, 4);
            g_boundaryPoints.push_back(UnpackBoundaryPoint(v));
        }
    }
}

void LoadBoundaryLines(HGLOBAL& block, int32_t& blockSize)
{
    if (g_boundaryPoints.capacity() < kBoundaryReserve)
        g_boundaryPoints.reserve(kBoundaryReserve);
    if (!InflateResource(kResourceBoundaries, block, blockSize))
        return;
    const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
    if (!bytes)
        return;
    ReadBoundaryLines(bytes, BlockBytes(block, blockSize));
    GlobalUnlock(block);
}
