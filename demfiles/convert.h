// DEM files to one Float32 GeoTIFF laid out as a Cloud Optimized GeoTIFF, written block by
// block so that memory stays bounded whatever the area.
#pragma once

#include "demfiles/demsource.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class EditionPick { Best, Dem1m, Dem5m, Dem10m };

struct GeoBox {
    double south = 0, west = 0, north = 0, east = 0;
};

struct ConvertOptions {
    std::vector<std::string> inputs;  // XML files, ZIP archives, folders
    std::string out;
    std::optional<GeoBox> bbox;
    // The files of the area the caller asked for, by their name (its mesh code); unset: every file
    // with cells in bbox.
    std::function<bool(const DemName&)> inArea;
    EditionPick edition = EditionPick::Best;
    int epsg = 6668;
    bool progress = false;  // the progress line on err
    unsigned threads = 2;
};

// The raster written: cells of cellUnits 1 m cells (1, 5 or 10: the 1 m, 5 m or 10 m grid), the
// west and north edges counted in those cells from longitude 0 and the equator.
struct OutputGrid {
    int32_t cellUnits = 5;
    int64_t west = 0, north = 0;
    int64_t width = 0, height = 0;
};

// The grid for a set of files: that of the finest kind among them; the extent is box
// widened to whole cells, or else the rectangle around the files' squares.
OutputGrid GridFor(const std::vector<DemName>& files, const std::optional<GeoBox>& box);

// Fills one block of the raster (north row first), kNoData where there is nothing; returns
// false when the block holds no value at all (it is then left out of the file).
using BlockFiller = std::function<bool(int64_t x, int64_t y, int64_t width, int64_t height, float* cells)>;

// Writes the raster, block by block through fill, to out as a tiled, DEFLATE-compressed COG
// in EPSG:6668 (or warped by GDAL into epsg). Writes under temporary names beside out and
// renames at the end; on failure nothing is left. progress gets 0..1 for the final copy.
bool WriteDemRaster(const std::string& out, const OutputGrid& grid, int epsg, unsigned threads,
                    const BlockFiller& fill, const std::function<void(double)>& progress, std::string& error);

// Whether GDAL knows the EPSG code.
bool KnownEpsg(int epsg);

// The whole of convert: exit status 0, 2 when damaged inputs were skipped, 1 when nothing
// could be converted or an argument is bad (no output file then). Messages go to err.
int ConvertDemFiles(const ConvertOptions& options, std::FILE* err);
