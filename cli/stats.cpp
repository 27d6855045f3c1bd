#include "cli/stats.h"

#include "geodata/boundary.h"
#include "geodata/catalogue.h"
#include "geodata/meshdb.h"
#include "geodata/places.h"

#include <algorithm>
#include <ostream>

void WriteStats(const CMeshDB& raster, std::ostream& out)
{
    const auto headers = std::count_if(g_boundaryPoints.begin(), g_boundaryPoints.end(),
                                       [](const BoundaryItem& i) { return i.x == 0.0; });
    out << "prefectures " << g_prefectures.size() << "\n"
        << "dem10Files " << g_dem10Files.size() << "\n"
        << "dem10Tiles " << g_dem10Tiles.size() << "\n"
        << "dem5Files " << g_dem5Files.size() << "\n"
        << "dem5Tiles " << g_dem5Tiles.size() << "\n"
        << "municipalities " << g_municipalities.size() << "\n"
        << "islands " << g_islands.size() << "\n"
        << "mountains " << g_mountains.size() << "\n"
        << "lakes " << g_lakes.size() << "\n"
        << "boundaryPoints " << g_boundaryPoints.size() << "\n"
        << "boundaryHeaders " << headers << "\n"
        << "sheets " << raster.SheetCount() << "\n"
        << "elevation " << raster.m_minElevation << " " << raster.m_maxElevation << "\n";
}
