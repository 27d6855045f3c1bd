// What the embedded data holds, one line per collection.
#pragma once

#include <iosfwd>

class CMeshDB;

// Counts of the loaded collections, in a fixed order, then "elevation MIN MAX".
void WriteStats(const CMeshDB& raster, std::ostream& out);
