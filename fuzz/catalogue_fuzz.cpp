// A catalogue content as it comes out of inflation, or (first byte odd) a resource to inflate;
// bit 2 the edition, bit 4 names kept in place.
#include "geodata/catalogue.h"
#include "platform/kernel.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const DemEdition edition = (data[0] & 2) ? DemEdition::Dem5m : DemEdition::Dem10m;
    if (data[0] & 1) {
        g_hInstance = GetModuleHandle(nullptr);
        RegisterBinaryResource(edition == DemEdition::Dem5m ? 139 : 132, data + 1, size - 1);
        int32_t blockSize = 4096;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<size_t>(blockSize));
        SetGlobalAllocLimit(64u << 20);
        LoadDemCatalogue(edition, block, blockSize);
        SetGlobalAllocLimit(0);
        GlobalFree(block);
        ClearRegisteredResources();
    } else {
        // The input outlives the catalogue, which is cleared below: names may stay in it.
        ReadDemCatalogue(edition, data + 1, size - 1, (data[0] & 4) != 0);
    }
    for (const DemTile& t : edition == DemEdition::Dem5m ? g_dem5Tiles : g_dem10Tiles)
        if (t.xmlName.size() > 40 || t.code < 0)
            __builtin_trap();
    for (const DemFileEntry& e : edition == DemEdition::Dem5m ? g_dem5Files : g_dem10Files)
        if (e.xmlName.size() > 40 || e.zipName.size() > 32)
            __builtin_trap();
    ClearDemCatalogues();
    return 0;
}
