// The relief under the map: a 32-bit bottom-up bitmap as large as the client area, cleared every
// frame, into which each first-level sheet's colour indices are stretched by nearest cell.
#pragma once

#include "geodata/geotypes.h"
#include "geodata/meshdb.h"
#include "platform/kernel.h"
#include "platform/wintypes.h"

struct MapViewport;
class CDC;

struct ReliefRaster {
    BITMAPINFOHEADER* header = nullptr;  // while the frame draws
    HGLOBAL memory = nullptr;
    uint32_t* bits = nullptr;  // header + 40 while locked
    int32_t right = 0;
    int32_t bottom = 0;
    COLORREF background = RGB(0, 0, 0);
    double brightness = 1.0;
    int32_t rowsPainted = 0;
    int allocatedW = 0;  // the arguments of the allocation
    int allocatedH = 0;

    ReliefRaster() = default;
    ~ReliefRaster() { Release(); }
    ReliefRaster(const ReliefRaster&) = delete;
    ReliefRaster& operator=(const ReliefRaster&) = delete;

    // w = client width + 1, h = client height + 1.
    void ResizeRelief(int w, int h);
    // Layer 1 of a map frame.
    void DrawRelief(CDC* dc, const MapViewport& vp, CMeshDB& db);
    void RenderRelief(const MapViewport& vp, CMeshDB& db);
    void PaintSheet(int x, int y, int width, int height, const ElevationBlock& block, const CMeshDB& db,
                    const MapViewport& vp);
    void Release();
};

// The published approximate conversion from the Tokyo datum to JGD2000.
GeoPoint ShiftTokyoToJgd(GeoPoint p);
