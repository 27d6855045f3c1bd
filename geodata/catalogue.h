// The DEM file catalogues of both editions: one entry per (file, prefecture) and one tile per
// entry whose name gives a mesh code.
#pragma once

#include "geodata/geotypes.h"
#include "geodata/largevector.h"
#include "geodata/strings.h"
#include "platform/kernel.h"
#include "platform/wintypes.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PrefectureEntry {
    int32_t index = 0;
    std::string name;  // CP932
};

struct DemFileEntry {
    int32_t prefecture = 0;  // 0-based, copied unchanged
    PooledString xmlName;
    PooledString zipName;
};

struct DemTile {
    GeoRect bounds;
    MeshCode code = 0;
    RECT screenRect;       // the frame in client pixels as last drawn
    PooledString xmlName;  // the same bytes as its entry's name
};

enum class DemEdition { Dem10m, Dem5m };

extern std::vector<PrefectureEntry> g_prefectures;
using DemFiles = LargeVector<DemFileEntry>;
using DemTiles = LargeVector<DemTile>;

extern DemFiles g_dem10Files;
extern DemTiles g_dem10Tiles;
extern DemFiles g_dem5Files;
extern DemTiles g_dem5Tiles;

constexpr int kResourceDem10 = 132;
constexpr int kResourceDem5 = 139;
constexpr int kCatalogueRecordSize = 76;

// The 47 prefectures, index 0 (北海道) to 46 (沖縄県), UTF-8.
extern const char* const kPrefectureNamesUtf8[47];
void LoadPrefectures();

// The mesh code read from an XML file name: 6 digits (10 m) or 8 digits (5 m), or nothing when
// a digit group is missing.
std::optional<MeshCode> MeshCodeFromXmlName(std::string_view name, DemEdition edition);

// For the 5 m edition the block ends up holding the catalogue's names: the catalogue keeps it
// (until ClearDemCatalogues) and the caller's handle is null afterwards, with blockSize 0.
void LoadDemCatalogue(DemEdition edition, HGLOBAL& block, int32_t& blockSize);
// Reads catalogue records from content bytes already in memory (the loader and the fuzzer).
// namesInPlace: the names are the content's own fields, which then must outlive the catalogue.
void ReadDemCatalogue(DemEdition edition, const unsigned char* content, size_t size, bool namesInPlace = false);

// Frees every collection of the catalogues (tests load them more than once).
void ClearDemCatalogues();

// Changes whenever the catalogues are read or cleared, so that indexes over them know when
// they are out of date.
uint64_t CatalogueGeneration();

// Which collection an index over it was made for: its storage, its length and the catalogues'
// generation. Tests fill collections by hand as well as through the readers.
struct CollectionStamp {
    const void* data = nullptr;
    size_t size = 0;
    uint64_t generation = ~uint64_t{0};
    template <typename V> bool Matches(const V& v) const
    {
        return data == v.data() && size == v.size() && generation == CatalogueGeneration();
    }
    template <typename V> static CollectionStamp Of(const V& v) { return {v.data(), v.size(), CatalogueGeneration()}; }
};

// The index of type Index over a collection, kept per collection and made again (from the
// collection and args) when it no longer fits it.
template <typename Index, typename Collection, typename... Args>
const Index& IndexFor(const Collection& collection, const Args&... args)
{
    static std::map<const void*, std::unique_ptr<Index>> indexes;
    std::unique_ptr<Index>& index = indexes[&collection];
    if (!index || !index->Fits(collection, args...))
        index = std::make_unique<Index>(collection, args...);
    return *index;
}
