// GSI's DEM files (JPGIS GML): the names they are shipped under and a streaming reader of one
// XML file into its grid of elevations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The products, finest first. This order is the one precedence of the program: where several
// kinds cover a cell, the earlier kind's value is used (convert, elevation, check).
enum class DemKind { Dem1A, Dem5A, Dem5B, Dem5C, Dem10A, Dem10B };
constexpr DemKind kKindsByPrecedence[] = {DemKind::Dem1A, DemKind::Dem5A, DemKind::Dem5B,
                                          DemKind::Dem5C, DemKind::Dem10A, DemKind::Dem10B};

// Whether kind a is preferred to kind b.
constexpr bool KindPrecedes(DemKind a, DemKind b)
{
    return static_cast<int>(a) < static_cast<int>(b);
}

inline bool IsFiveMeter(DemKind k)
{
    return k == DemKind::Dem5A || k == DemKind::Dem5B || k == DemKind::Dem5C;
}

// The kinds shipped one file per third-level square (8-digit code): 1 m and 5 m.
inline bool IsThirdLevel(DemKind k)
{
    return k != DemKind::Dem10A && k != DemKind::Dem10B;
}

// The edge of a cell of the kind's grid in metres, nominally: 1, 5 or 10. A cell is that many
// 1 m cells (kCellsPerDegree) each way.
inline int32_t CellMeters(DemKind k)
{
    return k == DemKind::Dem1A ? 1 : IsFiveMeter(k) ? 5 : 10;
}

const char* KindName(DemKind k);  // "DEM1A" ... "DEM10B"
const char* EditionOf(DemKind k); // "1m", "5m" or "10m"

// What a file name says: FG-GML-5339-46-00-DEM5A-20161001.xml is the 5 m file of 53394600,
// FG-GML-5339-46-00-DEM1A-20250401.xml the 1 m file of that square,
// FG-GML-5339-46-DEM5A.zip the 5 m archive of 533946 (as older downloads are named), and
// FG-GML-533946-DEM5A-20250731.zip the same archive as named since 2025;
// FG-GML-5339-46-dem10b-20161001.xml the 10 m file of 533946. The code's digits may come in
// groups 4-2-2 or 6-2 or whole; letters in any case; what follows the kind is not looked at.
struct DemName {
    int32_t mesh = 0;  // 6 digits (second level) or 8 (third level)
    DemKind kind = DemKind::Dem10B;
    friend bool operator==(const DemName&, const DemName&) = default;
};
std::optional<DemName> ParseDemName(std::string_view fileName);

// The date a file or archive name carries (yyyymmdd: ...-DEM5A-20250731.zip, ...-20161001.xml,
// ...-20161001 (1).xml), 0 when it carries none. Mesh codes never pass for dates: their first
// two digits are 30 to 68.
int32_t NameDate(std::string_view fileName);

// The reference system a file names in its envelope's srsName (fguuid:jgd2000.bl, ...).
// Horizontally JGD2011 and JGD2024 are the same (EPSG:6668); the heights of JGD2024 files are
// on the 2024 geoid. JGD2000 files are placed on the mesh grid without a shift.
enum class DemDatum { Jgd2000, Jgd2011, Jgd2024 };
const char* DatumName(DemDatum d);  // "JGD2000", "JGD2011", "JGD2024"

// The cells of one file's grid as a raster: x eastwards, rows from north to south.
constexpr float kNoData = -9999.0f;

struct DemGrid {
    int32_t mesh = 0;           // the `mesh` element
    std::string type;           // the `type` element, bytes as in the file
    DemDatum datum = DemDatum::Jgd2011;  // the envelope's srsName
    double lower[2] = {0, 0};   // lat lon of the envelope's corners
    double upper[2] = {0, 0};
    int32_t width = 0, height = 0;
    int32_t startX = 0, startY = 0;
    int32_t date = 0;           // yyyymmdd of devDate, else of lfSpanFr; 0 when neither is there
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

// The file's own date (devDate, else lfSpanFr) from its first bytes, without reading the
// cells; 0 when they hold neither.
int32_t DemXmlDate(std::string_view head);

// The grid size a file of that kind must have: 225 x 150 (5 m) or 1125 x 750 (1 m, 10 m).
void ExpectedGrid(DemKind kind, int32_t& width, int32_t& height);

// ReadDemXml and the checks against the file's name: its mesh element and grid size.
bool ReadNamedDemXml(std::string_view bytes, const DemName& name, DemGrid& grid, std::string& error);

// Where a mesh square lies, in 1 m cells (1/90000 of a degree) east of longitude 0 and north
// of the equator: its south-west corner and its size (11250 x 7500 for a 6-digit code, 1125 x
// 750 for an 8-digit one). Cell edges of every kind lie on mesh boundaries, so these are exact
// integers, and a cell of a kind is CellMeters(kind) of them each way.
constexpr int32_t kCellsPerDegree = 90000;
struct MeshCells {
    int64_t x0 = 0, y0 = 0;
    int32_t width = 0, height = 0;
};
bool MeshSquareCells(int32_t mesh, MeshCells& cells);
