// DEM files to one Float32 GeoTIFF laid out as a Cloud Optimized GeoTIFF, written block by
// block so that memory stays bounded whatever the area.
#pragma once

#include "demfiles/demsource.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// v rounded down (up), or to the nearest integer when it lies within slack of it: an edge meant
// to lie on a grid line is not pushed a whole step away by rounding error.
inline int64_t FloorNear(double v, double slack)
{
    const double r = std::round(v);
    return static_cast<int64_t>(std::fabs(v - r) < slack ? r : std::floor(v));
}

inline int64_t CeilNear(double v, double slack)
{
    const double r = std::round(v);
    return static_cast<int64_t>(std::fabs(v - r) < slack ? r : std::ceil(v));
}

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
    double resolution = 0;  // metres: with epsg, cells of exactly that size on multiples of it
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

// Cells of the grid per degree, east and north alike.
inline double GridCellsPerDegree(const OutputGrid& g)
{
    return static_cast<double>(kCellsPerDegree) / g.cellUnits;
}

// The grid for a set of files: that of the finest kind among them; the extent is box
// widened to whole cells, or else the rectangle around the files' squares.
OutputGrid GridFor(const std::vector<DemName>& files, const std::optional<GeoBox>& box);

// Fills one block of the raster (north row first), kNoData where there is nothing; returns
// false when the block holds no value at all (it is then left out of the file).
using BlockFiller = std::function<bool(int64_t x, int64_t y, int64_t width, int64_t height, float* cells)>;

using Metadata = std::vector<std::pair<std::string, std::string>>;

struct RasterWriting {
    int epsg = 6668;          // other codes: warped by GDAL (bilinear)
    double resolution = 0;    // with epsg: the cell size in its units, edges on multiples of it
    unsigned threads = 2;
    std::function<void(double)> progress;  // 0..1 of the final copy
    // Called once every block is filled: the file's metadata items; false (with a message)
    // stops there and nothing is written.
    std::function<bool(Metadata& metadata, std::string& error)> filled;
};

struct DemCellOptions {
    std::vector<std::string> inputs;  // XML files, ZIP archives, folders
    std::optional<GeoBox> bbox;
    // The files of the area asked for, by their name (its mesh code); unset: every file with
    // cells in bbox.
    std::function<bool(const DemName&)> inArea;
    EditionPick edition = EditionPick::Best;
    bool progress = false;  // the progress line on err
    unsigned threads = 2;
    const char* command = "convert";  // names the command in messages
};

// The raster convert writes, read from the DEM files as its blocks are asked for: one file per
// mesh code and kind (copies tried in turn), finer kinds over coarser ones, cell by cell.
struct DemCells {
    OutputGrid grid;
    // Blocks are asked for in column bands, each from north to south; a new x starts a new band.
    // A file is read when a block first needs it (new files on all threads) and let go when a
    // block south of it or another band is asked for. Damaged files are named on err when met.
    BlockFiller fill;
    std::function<void(double)> writing;  // the progress line's last stage, 0..1
    std::function<size_t()> usable;       // files read so far
    std::function<size_t()> damaged;      // damaged inputs named so far
    // The mesh codes of the files that gave the raster a value so far, by the reference their
    // heights are on.
    std::function<std::map<DemDatum, std::vector<int32_t>>()> heights;
};

// Finds the DEM files of the inputs and the grid they make. False, with the message on err,
// when an input does not exist or no file is left to read.
bool OpenDemCells(const DemCellOptions& options, std::FILE* err, DemCells& cells);

// Writes the raster, block by block through fill, to out as a tiled, DEFLATE-compressed COG
// in EPSG:6668 (or warped). Writes under temporary names beside out (out.PID.*) and renames at
// the end; on failure or interruption (InterruptSignal) every one of them is removed and a file
// already at out is left as it was.
bool WriteDemRaster(const std::string& out, const OutputGrid& grid, const RasterWriting& how, const BlockFiller& fill,
                    std::string& error);
bool WriteDemRaster(const std::string& out, const OutputGrid& grid, int epsg, unsigned threads,
                    const BlockFiller& fill, const std::function<void(double)>& progress, std::string& error);

// Whether GDAL knows the EPSG code.
bool KnownEpsg(int epsg);
// Whether it is a projected system whose axes are in metres.
bool MetricEpsg(int epsg);

// Refuses, before any work, an output that cannot be a GeoTIFF written there: a name not
// ending in .tif or .tiff, a directory, a folder that does not exist or cannot be written.
bool CheckOutputPath(const std::string& out, std::string& error);

// The metadata naming the heights' reference: HEIGHT_REFERENCE=JGD2011 (or JGD2024, JGD2000);
// with more than one, all of them comma-separated and HEIGHT_REFERENCE_<NAME> listing the mesh
// codes of the squares of each.
Metadata HeightReferenceMetadata(const std::map<DemDatum, std::vector<int32_t>>& squares);

// While one exists, SIGINT and SIGTERM are caught instead of ending the process: long work
// asks InterruptSignal() and stops. The previous handlers come back with its end.
class InterruptScope {
public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
};
// The signal caught in the current scope, 0 when none.
int InterruptSignal();

// The whole of convert: exit status 0, 2 when damaged inputs were skipped, 1 when nothing
// could be converted or an argument is bad (no output file then), 128 + the signal when
// interrupted by SIGINT or SIGTERM (nothing left behind; when the work has not wound down
// 0.6 s after the signal, the process ends with that status). Messages go to err.
int ConvertDemFiles(const ConvertOptions& options, std::FILE* err);
