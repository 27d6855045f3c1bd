// What a click on the map finds: the DEM tiles under a pixel, the catalogue rows of their XML
// files, and the text of the file list. No window is involved.
#pragma once

#include "geodata/catalogue.h"
#include "projection/viewport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The tiles of the square that holds the clicked point: their XML names sorted and without
// repeats, and the last of them in collection order with its screen rectangle (for the outline).
struct TileHits {
    std::vector<std::string_view> names;
    RECT lastRect{};
    MeshCode lastCode = -1;
    bool Any() const { return !names.empty(); }
};

// The clicked point is ClientToGeo(vp, p), the position the status bar shows for that pixel; its
// square is the one PointToMeshCode names (south and west edges inside), so a click, the status
// bar, `rect` and `files --at` agree on every edge. vp: the viewport of the frame that drew the
// tiles. Every tile is tested, in collection order.
TileHits CollectHitsScan(const DemTiles& tiles, const MapViewport& vp, POINT p);

// The same result as the scan, found through an index over the tiles' bounds. The index is made
// again when the catalogues are read or cleared or the collection changes its length or its
// storage; bounds edited in place are not noticed.
TileHits CollectHits(const DemTiles& tiles, const MapViewport& vp, POINT p);

// Makes the indexes of both editions now, so that the first click does not wait for them.
void PreparePickIndexes();

struct FileListRow {
    int32_t prefecture = 0;
    std::string_view zipName;
    std::string_view xmlName;
};

// The catalogue entries named by the hits, ordered by prefecture then ZIP name (bytes), one row
// per (prefecture, ZIP): the first in name order, then catalogue order.
std::vector<FileListRow> BuildRows(const DemFiles& files, DemEdition edition,
                                   const std::vector<std::string_view>& names);

// The lines of the file list window (CP932, "\r\n" line ends). The 5 m text has no frame of
// empty lines yet: FrameFileList5m adds it.
std::string FileListText(const std::vector<FileListRow>& rows, DemEdition edition,
                         const std::vector<PrefectureEntry>& prefectures);
std::string FrameFileList5m(const std::string& text);

// The title of the file list window for the code of the last tile hit (CP932).
std::string FileListTitle(MeshCode code, bool is5m);
