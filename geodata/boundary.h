// The boundary polylines: per polyline a header (0, n), its bounding box as two items, then its
// n vertices, all in one flat array.
#pragma once

#include "geodata/largevector.h"
#include "platform/kernel.h"

#include <cstdint>
#include <vector>

struct BoundaryItem {
    double x = 0.0;  // longitude; 0.0 marks a header
    double y = 0.0;  // latitude; n for a header
};

using BoundaryItems = LargeVector<BoundaryItem>;

extern BoundaryItems g_boundaryPoints;

constexpr int kResourceBoundaries = 138;
constexpr size_t kBoundaryReserve = 1700000;

// A packed point: high 16 bits (longitude - 100) x 1000, low 16 bits latitude x 1000.
BoundaryItem UnpackBoundaryPoint(uint32_t packed);

void LoadBoundaryLines(HGLOBAL& block, int32_t& blockSize);
// Unpacks polylines from content bytes (the loader and the fuzzer).
void ReadBoundaryLines(const unsigned char* content, size_t size);
