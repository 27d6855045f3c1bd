// The files of an area as a GeoJSON layer (RFC 7946): one feature per file or per ZIP archive,
// its square as the polygon, so that a GIS opens the squares as they are.
#pragma once

#include "queries/areaquery.h"

#include <string>
#include <vector>

// One Polygon feature per row: the file's square as a closed ring, counter-clockwise, longitude
// first; properties edition, prefecture, zip, xml, mesh. Rows the text format leaves out (a
// prefecture beyond the table in the 10 m edition) are left out here too.
std::string AreaFilesGeoJson(const std::vector<AreaFile>& files);
// One feature per ZIP archive: its second-level square; properties edition, zip, files. A ZIP
// whose name gives no mesh code has a null geometry.
std::string AreaZipsGeoJson(const std::vector<AreaZip>& zips);
