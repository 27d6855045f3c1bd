// The DEM files of an area rather than of a click: a point, a box or a mesh code, over the same
// catalogues and tile squares as the map. No window is involved.
#pragma once

#include "geodata/catalogue.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class EditionChoice { Both, Dem10m, Dem5m };

struct AreaQuery {
    enum class Kind { Point, Box, Mesh } kind = Kind::Box;
    GeoRect box{};      // a point is a box whose corners coincide
    MeshCode mesh = 0;  // Kind::Mesh: 6 digits (second level) or 8 (third level)
    // Kind::Point: the squares of both editions that hold the point
    MeshCode pointCode10m = 0, pointCode5m = 0;
};

// The texts of the command line, read in the C number format. False with a message when the
// text is not one: "LAT,LON" inside the grid, "S,W,N,E" (south not above north, west not east of
// east), or a mesh code of 6 or 8 digits of a square of the grid.
bool ParsePointQuery(std::string_view text, AreaQuery& query, std::string& error);
bool ParseBoxQuery(std::string_view text, AreaQuery& query, std::string& error);
bool ParseMeshQuery(std::string_view text, AreaQuery& query, std::string& error);

struct AreaFile {
    DemEdition edition = DemEdition::Dem10m;
    int32_t prefecture = 0;
    std::string_view zipName;
    std::string_view xmlName;
    MeshCode mesh = 0;
};

// The one rule of an area for a square (a mesh code of 6 or 8 digits), for every command that
// takes an area. A point takes the one square of each level that holds it (PointToMeshCode: south
// and west edges inside). A mesh code takes its own square, its parent and its children. A box
// takes a square when their insides overlap: squares that only touch its edges do not count. A
// box without height or width (a line or a point) takes along that side the squares that hold
// its edge as they would hold a point. Edges that should coincide may differ in the last bits of
// their doubles, so they are compared with a margin of 1e-9 degrees (about 0.1 mm).
bool AreaTakesSquare(const AreaQuery& query, MeshCode code);
bool BoxTakesSquare(const GeoRect& box, MeshCode code);

// Every catalogue entry whose tile the area takes (AreaTakesSquare), one per (edition,
// prefecture, ZIP, XML), sorted in that order (10 m first, prefectures by index, names as bytes).
std::vector<AreaFile> FindAreaFiles(const AreaQuery& query, EditionChoice editions);

// The catalogue entries (with a tile) that take(entry, its mesh code) keeps, in the same order
// as FindAreaFiles.
std::vector<AreaFile> FindAreaFilesWhere(EditionChoice editions,
                                         const std::function<bool(const DemFileEntry&, MeshCode)>& take);

// The rectangle around the files' squares; nothing when there are none.
std::optional<GeoRect> RectangleAround(const std::vector<AreaFile>& files);

struct AreaZip {
    DemEdition edition = DemEdition::Dem10m;
    std::string_view zipName;
    size_t xmlFiles = 0;  // distinct XML files of the area inside it
};

// The distinct ZIP archives of the files, per edition, sorted by edition and name.
std::vector<AreaZip> DistinctZips(const std::vector<AreaFile>& files);

// How many distinct XML files and ZIP archives the rows name.
struct AreaTotals {
    size_t xmlFiles = 0, zips = 0;
};
AreaTotals CountAreaFiles(const std::vector<AreaFile>& files);

enum class AreaFormat { Text, Csv, Json };

// UTF-8 output. Text: the file list window's lines (a 10 m line starts with one space, a 5 m
// line with three, fields three spaces apart, two spaces before the line end). Prefecture
// indexes beyond the table follow the file list too: 5 m rows show "地図選択", 10 m rows are
// left out.
std::string FormatAreaFiles(const std::vector<AreaFile>& files, AreaFormat format);
std::string FormatAreaZips(const std::vector<AreaZip>& zips, AreaFormat format);
