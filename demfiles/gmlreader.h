// GSI's DEM files (JPGIS GML): the names they are shipped under and a streaming reader of one
// XML file into its grid of elevations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The products of the two editions, in the order a value is preferred within an edition.
enum class DemKind { Dem5A, Dem5B, Dem5C, Dem10A, Dem10B };

inline bool IsFiveMeter(DemKind k)
{
    return k == DemKind::Dem5A || k == DemKind::Dem5B || k == DemKind::Dem5C;
}
const char* KindName(DemKind k);  // "DEM5A" ... "DEM10B"
const char* EditionOf(DemKind k); // "5m" or "10m"

// What a file name says: FG-GML-5339-46-00-DEM5A-20161001.xml is the 5 m file of 53394600,
// FG-GML-5339-46-DEM5A.zip the 5 m archive of 533946, FG-GML-5339-46-dem10b-20161001.xml the
// 10 m file of 533946. Letters in any case; what follows the kind (the date) is not looked at.
struct DemName {
    int32_t mesh = 0;  // 6 digits (second level) or 8 (third level)
    DemKind kind = DemKind::Dem10B;
    friend bool operator==(const DemName&, const DemName&) = default;
};
std::optional<DemName> ParseDemName(std::string_view fileName);

// The cells of one file's grid as a raster: x eastwards, rows from north to south.
constexpr float kNoData = -9999.0f;

struct DemGrid {
    int32_t mesh = 0;           // the `mesh` element
    std::string type;           // the `type` element, bytes as in the file
    bool jgd2000 = false;       // the envelope's srsName is fguuid:jgd2000.bl
    double lower[2] = {0, 0};   // lat lon of the envelope's corners
    double upper[2] = {0, 0};
    int32_t width = 0, height = 0;
    int32_t startX = 0, startY = 0;
    size_t tuples = 0;
    std::vector<float> values;  // width * height; kNoData where there is no value, sea or データなし
};

// Largest grid the reader accepts (a 10 m file has 843,750 cells).
constexpr int64_t kMaxGridCells = int64_t{1} << 24;

// Reads one XML file held in memory. The encoding is that of the XML declaration (UTF-8 when
// there is none; Shift_JIS and UTF-8 are understood). Document type declarations, and with
// them entity declarations, are refused, as are grids larger than kMaxGridCells, start points
// outside the grid and more tuples than cells after the start point. False with a message when
// the file is not a DEM file this reader can place.
bool ReadDemXml(std::string_view bytes, DemGrid& grid, std::string& error);

// The grid size a file of that kind must have: 225 x 150 (5 m) or 1125 x 750 (10 m).
void ExpectedGrid(DemKind kind, int32_t& width, int32_t& height);

// ReadDemXml and the checks against the file's name: its mesh element and grid size.
bool ReadNamedDemXml(std::string_view bytes, const DemName& name, DemGrid& grid, std::string& error);

// Where a mesh square lies, in 5 m cells (1/18000 of a degree) east of longitude 0 and north
// of the equator: its south-west corner and its size (2250 x 1500 for a 6-digit code, 225 x 150
// for an 8-digit one). Cell edges lie on mesh boundaries, so these are exact integers.
constexpr int32_t kCellsPerDegree = 18000;
struct MeshCells {
    int64_t x0 = 0, y0 = 0;
    int32_t width = 0, height = 0;
};
bool MeshSquareCells(int32_t mesh, MeshCells& cells);
