#include "geodata/geodata.h"

#include "geodata/boundary.h"
#include "geodata/catalogue.h"
#include "geodata/places.h"

void LoadGeodata()
{
    LoadPrefectures();
    int32_t blockSize = 1000000;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<size_t>(blockSize));
    if (!block)
        return;
    LoadGazetteers();
    LoadBoundaryLines(block, blockSize);
    LoadDemCatalogue(DemEdition::Dem10m, block, blockSize);
    LoadDemCatalogue(DemEdition::Dem5m, block, blockSize);
    GlobalFree(block);
}

void ClearGeodata()
{
    g_prefectures.clear();
    for (auto* v : {&g_municipalities, &g_islands, &g_mountains, &g_lakes})
        std::vector<PlaceEntry>().swap(*v);
    BoundaryItems().swap(g_boundaryPoints);
    ClearDemCatalogues();
}
