// DEM files to web terrain tiles: PNG tiles in Web Mercator (EPSG:3857, XYZ scheme) whose
// colours encode heights, written to a folder Z/X/Y.png or to one MBTiles file.
#pragma once

#include "demfiles/convert.h"

#include <cstdint>
#include <cstdio>
#include <string>

enum class TileEncoding {
    Terrarium,  // height = R * 256 + G + B / 256 - 32768
    Mapbox,     // Terrain-RGB: height = -10000 + (R * 65536 + G * 256 + B) * 0.1
    Gsi,        // GSI's elevation tiles: x = R * 65536 + G * 256 + B, 0.01 m steps, x >= 2^23 negative
};
const char* TileEncodingName(TileEncoding e);  // "terrarium", "mapbox", "gsi"
double TileEncodingStep(TileEncoding e);       // metres between neighbouring codes

// Whether a tile has an alpha channel: only terrarium and mapbox with transparent no data.
// GSI's own encoding has a colour for no data, (128, 0, 0).
int TileChannels(TileEncoding e, bool transparent);

// One pixel's colour (TileChannels bytes) for a height in metres, NaN for no value. Heights
// beyond what the encoding holds are clamped to its ends. No value in terrarium and mapbox is
// transparent black, or with transparent false the code of 0 m.
void EncodeHeight(TileEncoding e, bool transparent, float height, uint8_t* pixel);

// A square image of size x size pixels with channels (3: RGB, 4: RGBA) bytes each, as a PNG
// file written by GDAL's PNG driver at zlib level kTilePngLevel.
constexpr int kTilePngLevel = 6;
std::string EncodePng(const uint8_t* pixels, int size, int channels);

// Web Mercator in tiles: x eastwards from longitude -180, y southwards from latitude 85.05...,
// both in tiles of zoom z (fractions within a tile).
double TileXOfLon(double lon, int z);
double TileYOfLat(double lat, int z);
double LonOfTileX(double x, int z);
double LatOfTileY(double y, int z);

// The tiles of zoom z that share area with box (edges only touching do not count): columns
// x0 <= x < x1, rows y0 <= y < y1.
struct TileRange {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int64_t Count() const { return (x1 - x0) * (y1 - y0); }
};
TileRange TilesOver(const GeoBox& box, int z);

// The rectangle a grid covers, in degrees.
GeoBox GridExtent(const OutputGrid& grid);

// The highest zoom that the finest edition used deserves: the coarsest zoom whose pixels of a
// 256-pixel tile, at the equator, are no wider than a cell (17 for 1 m, 15 for 5 m, 14 for 10 m).
int DefaultMaxZoom(double cellsPerDegree);
// The lowest zoom by default: the highest one at or below maxZoom at which box fits one tile.
int DefaultMinZoom(const GeoBox& box, int maxZoom);

struct TilesOptions {
    DemCellOptions cells;
    std::string out;  // ending in .mbtiles: an MBTiles file; otherwise a folder Z/X/Y.png
    TileEncoding encoding = TileEncoding::Terrarium;
    int minZoom = -1, maxZoom = -1;  // -1: the defaults above
    int tileSize = 256;
    bool transparent = false;  // no data as transparent pixels (RGBA) in terrarium and mapbox
    // The widest column band of cells read at once: bounds the memory whatever the area.
    int64_t bandCells = 8192;
};

constexpr int kMaxTileZoom = 24;

// The whole of tiles: exit status 0, 2 when damaged inputs were skipped, 1 when nothing could
// be made or an argument is bad. Tiles without any value are not written. Messages go to err.
int MakeTiles(const TilesOptions& options, std::FILE* err);
