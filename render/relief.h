// The relief under the map: a 32-bit bottom-up bitmap as large as the client area, into which each
// first-level sheet's colour indices are stretched by nearest cell. Bitmap row r shows on client
// row bottom - r. A frame composes the bitmap's rows straight into the frame, each pixel once
// (the background where no sheet lies), instead of clearing, painting and copying the bitmap.
#pragma once

#include "geodata/geotypes.h"
#include "geodata/meshdb.h"
#include "platform/kernel.h"
#include "platform/wintypes.h"

#include <vector>

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

    // A sheet placed in the frame being drawn: its bitmap columns xl..xr and rows bot..top (both
    // ends included) and, for each, the source column and row of the block.
    struct PlacedSheet {
        const ElevationBlock* block;
        int64_t xl, xr, top, bot;
        size_t columns;  // offset of column xl's source column in sourceColumns
        size_t rows;     // offset of row top's source row in sourceRows; row top - i follows
        size_t runs;     // offset of the first run of equal source columns in columnRuns, or
        size_t runCount; // no runs (0) where the runs are too short to be worth it
    };
    // Columns xl.. of a sheet that read the same source column: count and column.
    struct ColumnRun {
        uint32_t count;
        uint32_t column;
    };
    std::vector<PlacedSheet> placed;
    std::vector<uint8_t> sourceColumns;
    std::vector<uint8_t> sourceRows;
    std::vector<ColumnRun> columnRuns;

    ReliefRaster() = default;
    ~ReliefRaster() { Release(); }
    ReliefRaster(const ReliefRaster&) = delete;
    ReliefRaster& operator=(const ReliefRaster&) = delete;

    // w = client width + 1, h = client height + 1.
    void ResizeRelief(int w, int h);
    // Layer 1 of a map frame: client rows 1 to bottom, columns 0 to right.
    void DrawRelief(CDC* dc, const MapViewport& vp, CMeshDB& db);
    // The client rectangle DrawRelief covers, every pixel of it; empty without a raster.
    RECT CoveredRect() const;
    // Places every sheet (and stores its screenRect) while the raster is locked.
    void RenderRelief(const MapViewport& vp, CMeshDB& db);
    // Places one sheet's block in the screen rectangle with top-left corner (x, y); nothing when it
    // is off the screen or at most one pixel high or wide.
    void PaintSheet(int x, int y, int width, int height, const ElevationBlock& block, const CMeshDB& db,
                    const MapViewport& vp);
    // The placed sheets and the background into bitmap row r, columns x0..x1 (both included) of out.
    void ComposeRow(int64_t r, int64_t x0, int64_t x1, uint32_t* out, const uint32_t* palette) const;
    void Release();
};

// The published approximate conversion from the Tokyo datum to JGD2000.
GeoPoint ShiftTokyoToJgd(GeoPoint p);
