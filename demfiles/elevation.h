// Elevations of points from the DEM files of a folder: the folder is looked through once, each
// file is read when a point first needs it.
#pragma once

#include "demfiles/demsource.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct ElevationAnswer {
    bool found = false;
    double value = 0;
    const char* edition = "";  // "1m", "5m" or "10m"
    std::string xmlName;       // the file of the cell that contains the point
};

class ElevationLookup {
public:
    explicit ElevationLookup(const FoundFiles& found);

    // The value of the cell that contains the point from the finest file that has one there
    // (1A, 5A, 5B, 5C, then 10A, 10B). bilinear: between the four nearest cell centres of one
    // edition, each from the finest file that has it, when all four have a value (5 m first).
    // A point on a cell edge belongs to the cell east and north of it.
    ElevationAnswer At(double lat, double lon, bool bilinear);

    // Files that turned out unreadable since the last call: "path: reason".
    std::vector<std::string> TakeDamaged();

private:
    // The value of a cell of the 1 m, 5 m or 10 m grid (units 1, 5, 10), in those cells from
    // longitude 0 and the equator.
    bool Cell(int32_t units, int64_t x, int64_t y, float& value, const DemSource*& file);
    const DemGrid* Grid(const DemSource& source);

    // Copies of one mesh code and kind in path order: the first readable one answers.
    std::map<std::pair<int32_t, DemKind>, std::vector<const DemSource*>> files_;
    std::vector<DemSource> sources_;
    std::map<const DemSource*, std::unique_ptr<DemGrid>> grids_;  // null: unreadable
    size_t cachedCells_ = 0;
    std::vector<std::string> damaged_;
};
