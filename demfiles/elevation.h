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
    // edition, each from the finest file that has it, when all four have a value (1 m first);
    // where the cell that contains the point has a value but a neighbour of that edition has
    // none (the edge of the coverage), the cell's own value.
    // A point on a cell edge belongs to the cell east and north of it.
    ElevationAnswer At(double lat, double lon, bool bilinear);

    // Files that turned out unreadable since the last call: "path: reason".
    std::vector<std::string> TakeDamaged();
    // Copies not used since the last call (NotUsedLine), each named once.
    std::vector<std::string> TakeNotUsed();

private:
    // The value of a cell of the 1 m, 5 m or 10 m grid (units 1, 5, 10), in those cells from
    // longitude 0 and the equator.
    bool Cell(int32_t units, int64_t x, int64_t y, float& value, const DemSource*& file);
    // The grid of the copy used of a mesh code and kind, read when first needed.
    const DemGrid* Grid(const DemCopies& copies, const DemSource*& used);

    std::map<std::pair<int32_t, DemKind>, DemCopies> files_;
    struct Loaded {
        std::unique_ptr<DemGrid> grid;  // null: no copy readable
        size_t used = 0;
    };
    std::map<const DemCopies*, Loaded> grids_;
    std::map<const DemCopies*, bool> named_;  // copies whose unused or damaged files were named
    size_t cachedCells_ = 0;
    std::vector<std::string> damaged_, notUsed_;
};
