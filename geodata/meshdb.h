// The elevation raster of the relief: 80 x 80 cells of about 1 km per first-level sheet, each
// block with a one-cell border from its neighbours, shaded and coloured once at load.
#pragma once

#include "platform/kernel.h"
#include "platform/wintypes.h"

#include <cstdint>

#pragma pack(push, 1)
struct ElevationCell {
    int16_t elevation;   // metres; 0 is no data
    uint8_t colorIndex;  // into the palette, computed at load; stored as kNoDataIndex on lake water
    uint8_t shade;       // hill shade 0..255, computed at load
};
#pragma pack(pop)
static_assert(sizeof(ElevationCell) == 4);

constexpr int kBlockSide = 82;  // rows and columns 1..80 are the interior
struct ElevationBlock {
    ElevationCell cells[kBlockSide][kBlockSide];
};
static_assert(sizeof(ElevationBlock) == 26896);

// As stored (184 bytes) up to the links, which are kept as references here.
struct FirstLevelSheet {
    int32_t code = 0;   // first-level code; 0 ends the table
    int32_t block = 0;  // its ElevationBlock, 0..179
    uint8_t reserved[16] = {};
    char name[128] = {};  // CP932
    RECT screenRect;      // written by every map frame
    uint8_t reserved2[8] = {};
    FirstLevelSheet* west = nullptr;
    FirstLevelSheet* north = nullptr;
};

constexpr int kResourceElevation = 134;
constexpr int kBlockCount = 180;
constexpr int kSheetCount = 200;
constexpr int kSheetRecordSize = 184;
constexpr size_t kBlocksBytes = static_cast<size_t>(kBlockCount) * sizeof(ElevationBlock);  // 4,841,280
constexpr size_t kSheetsBytes = static_cast<size_t>(kSheetCount) * kSheetRecordSize;         // 36,800
constexpr int kIndexRows = 40;     // latitude codes 29..68
constexpr int kIndexColumns = 35;  // longitude codes 21..55
// The sea's colour: cells without an elevation, and lake cells, which the data set marks by storing
// this index in their colorIndex (0 elsewhere) while keeping the lake's elevation for the hill shade
// of its shores.
constexpr uint8_t kNoDataIndex = 244;

class CMeshDB {
public:
    CMeshDB();
    virtual ~CMeshDB();
    CMeshDB(const CMeshDB&) = delete;
    CMeshDB& operator=(const CMeshDB&) = delete;

    // Inflates resource 134, indexes, borders, shades and colours the raster.
    void LoadElevationRaster();
    // The same from content bytes already in memory (tests and the fuzzer).
    void LoadElevationContent(const unsigned char* content, size_t size);

    void BuildSheetIndex();
    void SetShadingConstants();
    void BuildPalette();
    void ComputeShading();
    void ComputeColorIndices();

    // Block of a sheet; null when its number is out of range or there are no blocks. Valid
    // while m_blocks is locked.
    ElevationBlock* BlockOf(const FirstLevelSheet& sheet, ElevationBlock* blocks) const;
    int SheetCount() const;

    int32_t m_bandCount = 21;
    int32_t m_shadesPerBand = 10;
    double m_light[3] = {};  // x, z, y
    double m_gradScaleX = 200.0;
    double m_gradScaleY = -200.0;
    double m_normalZ = 40000.0;
    uint32_t m_palette[256] = {};  // bytes blue, green, red, 0
    int32_t m_maxElevation = 0;
    int32_t m_minElevation = 0;
    HGLOBAL m_blocks = nullptr;
    FirstLevelSheet m_sheets[kSheetCount];
    FirstLevelSheet* m_sheetIndex[kIndexRows][kIndexColumns] = {};

private:
    void ClearSheets();
    bool AllocateBlocks();
    void CopyContent(const unsigned char* content, size_t size);
    void CopySheets(const unsigned char* content, size_t size);
    bool AdoptContent(HGLOBAL& block, int32_t blockSize);
    void FreeBlocks();
    template <typename F> void ForEachSheetBlock(F&& f);
};

// The relief colour bands, lowest first, as red, green, blue.
struct PaletteTable {
    int32_t bands;
    int32_t shadesPerBand;
    uint8_t rgb[21][3];
};
extern const PaletteTable kPaletteTable;
