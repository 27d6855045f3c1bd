#include "geodata/meshdb.h"

#include "geodata/inflate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

const PaletteTable kPaletteTable = {21,
                                    10,
                                    {{40, 232, 40},  {60, 208, 60},  {80, 188, 40},  {110, 188, 17}, {144, 176, 0},
                                     {160, 184, 0},  {176, 192, 0},  {192, 200, 0},  {208, 208, 0},  {200, 192, 0},
                                     {192, 176, 0},  {184, 160, 0},  {176, 144, 0},  {168, 136, 8},  {160, 128, 16},
                                     {152, 112, 16}, {144, 96, 16},  {136, 72, 8},   {128, 48, 0},   {120, 40, 0},
                                     {112, 32, 0}}};

namespace {
uint32_t PixelBgr0(int r, int g, int b)
{
    return static_cast<uint32_t>(b) | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(r) << 16);
}
} // namespace

CMeshDB::CMeshDB() = default;

CMeshDB::~CMeshDB()
{
    FreeBlocks();
}

void CMeshDB::FreeBlocks()
{
    if (m_blocks) {
        GlobalUnlock(m_blocks);
        m_blocks = GlobalFree(m_blocks);
    }
}

void CMeshDB::ClearSheets()
{
    for (FirstLevelSheet& s : m_sheets)
        s = FirstLevelSheet{};
}

bool CMeshDB::AllocateBlocks()
{
    FreeBlocks();
    m_blocks = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kBlocksBytes);
    return m_blocks != nullptr;
}

void CMeshDB::CopyContent(const unsigned char* content, size_t size)
{
    // A content shorter than blocks and sheets leaves the rest zero.
    if (auto* blocks = static_cast<unsigned char*>(GlobalLock(m_blocks))) {
        std::memcpy(blocks, content, std::min(size, kBlocksBytes));
        GlobalUnlock(m_blocks);
    }
    CopySheets(content, size);
}

void CMeshDB::CopySheets(const unsigned char* content, size_t size)
{
    for (int i = 0; i < kSheetCount; ++i) {
        const size_t offset = kBlocksBytes + static_cast<size_t>(i) * kSheetRecordSize;
        if (offset + kSheetRecordSize > size)
            break;
        FirstLevelSheet& s = m_sheets[i];
        const unsigned char* r = content + offset;
        std::memcpy(&s.code, r, 4);
        std::memcpy(&s.block, r + 4, 4);
        std::memcpy(s.reserved, r + 8, 16);
        std::memcpy(s.name, r + 24, 128);
        s.name[127] = 0;
        std::memcpy(&s.screenRect, r + 152, 16);
        std::memcpy(s.reserved2, r + 168, 8);
        s.west = s.north = nullptr;
    }
}

// The blocks come first in the content: the inflated block itself becomes m_blocks, cut to the
// blocks' size, once the sheets have been copied out of it. Every byte after the content is
// zero, so a short content leaves the rest of the blocks zero, as a copy would.
bool CMeshDB::AdoptContent(HGLOBAL& block, int32_t blockSize)
{
    const auto* content = static_cast<const unsigned char*>(GlobalLock(block));
    if (!content)
        return false;
    CopySheets(content, BlockBytes(block, blockSize));
    GlobalUnlock(block);
    HGLOBAL resized = GlobalReAlloc(block, kBlocksBytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!resized)
        return false;
    m_blocks = resized;
    block = nullptr;
    return true;
}

void CMeshDB::LoadElevationRaster()
{
    ClearSheets();
    FreeBlocks();
    if (!g_hInstance) {
        AllocateBlocks();
        return;
    }
    int32_t blockSize = 1000000;
    HGLOBAL temp = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<size_t>(blockSize));
    if (!temp) {
        // Without room to inflate into, the sheet table stays zero.
        if (!AllocateBlocks())
            return;
    } else {
        const bool inflated = InflateResource(kResourceElevation, temp, blockSize);
        if (!inflated || !AdoptContent(temp, blockSize)) {
            GlobalFree(temp);
            ClearSheets();
            // The blocks exist, all zero, and nothing is indexed.
            AllocateBlocks();
            return;
        }
    }
    BuildSheetIndex();
    SetShadingConstants();
    BuildPalette();
    ComputeShading();
    ComputeColorIndices();
}

void CMeshDB::LoadElevationContent(const unsigned char* content, size_t size)
{
    ClearSheets();
    if (!AllocateBlocks())
        return;
    if (content)
        CopyContent(content, size);
    BuildSheetIndex();
    SetShadingConstants();
    BuildPalette();
    ComputeShading();
    ComputeColorIndices();
}

int CMeshDB::SheetCount() const
{
    int n = 0;
    while (n < kSheetCount && m_sheets[n].code != 0)
        ++n;
    return n;
}

ElevationBlock* CMeshDB::BlockOf(const FirstLevelSheet& sheet, ElevationBlock* blocks) const
{
    if (!blocks || sheet.block < 0 || sheet.block >= kBlockCount)
        return nullptr;
    return blocks + sheet.block;
}

template <typename F> void CMeshDB::ForEachSheetBlock(F&& f)
{
    auto* blocks = static_cast<ElevationBlock*>(GlobalLock(m_blocks));
    if (!blocks)
        return;
    const int n = SheetCount();
    for (int i = 0; i < n; ++i)
        if (ElevationBlock* b = BlockOf(m_sheets[i], blocks))
            f(*b);
    GlobalUnlock(m_blocks);
}

void CMeshDB::BuildSheetIndex()
{
    for (auto& row : m_sheetIndex)
        for (auto& cell : row)
            cell = nullptr;
    bool any = false;
    const int n = SheetCount();
    for (int i = 0; i < n; ++i) {
        FirstLevelSheet& s = m_sheets[i];
        const int row = s.code / 100 - 29;
        const int column = s.code % 100 - 21;
        // A sheet without a valid block has nothing to paint and is not indexed.
        if (row >= 0 && row < kIndexRows && column >= 0 && column < kIndexColumns && s.block >= 0 &&
            s.block < kBlockCount) {
            m_sheetIndex[row][column] = &s;
            any = true;
        }
    }
    if (!any) {
        m_maxElevation = m_minElevation = 0;
        return;
    }
    for (int row = 0; row < kIndexRows; ++row)
        for (int column = 1; column < kIndexColumns; ++column)
            if (FirstLevelSheet* s = m_sheetIndex[row][column]) {
                if (row < kIndexRows - 1)
                    s->north = m_sheetIndex[row + 1][column];
                s->west = m_sheetIndex[row][column - 1];
            }

    if (auto* blocks = static_cast<ElevationBlock*>(GlobalLock(m_blocks))) {
        for (int row = kIndexRows - 1; row >= 1; --row)
            for (int column = 1; column < kIndexColumns; ++column) {
                FirstLevelSheet* s = m_sheetIndex[row][column];
                if (!s)
                    continue;
                ElevationBlock& S = blocks[s->block];
                if (s->north) {
                    ElevationBlock& N = blocks[s->north->block];
                    for (int k = 0; k < kBlockSide; ++k) {
                        S.cells[0][k] = N.cells[80][k];
                        N.cells[81][k] = S.cells[1][k];
                    }
                }
                if (s->west) {
                    ElevationBlock& W = blocks[s->west->block];
                    for (int k = 1; k <= 80; ++k) {
                        S.cells[k][0] = W.cells[k][80];
                        W.cells[k][81] = S.cells[k][1];
                    }
                }
            }
        GlobalUnlock(m_blocks);
    }

    int32_t maxE = 0, minE = 0;
    ForEachSheetBlock([&](ElevationBlock& b) {
        // Without branches: a zero (no data) counts as 0 for both, which changes neither.
        const ElevationCell* cells = &b.cells[0][0];
        for (int i = 0; i < 81 * kBlockSide; ++i) {
            const int32_t e = cells[i].elevation;
            maxE = std::max(maxE, e);
            minE = std::min(minE, e);
        }
    });
    m_maxElevation = maxE;
    m_minElevation = minE;
}

void CMeshDB::SetShadingConstants()
{
    m_gradScaleX = 200.0;
    m_gradScaleY = -200.0;
    m_normalZ = 40000.0;
    const double A = 3.141592;
    const double E = 0.8726644444444445;
    m_light[0] = std::sin(A) * std::cos(E);  // x
    m_light[2] = std::cos(A) * std::cos(E);  // y
    m_light[1] = std::sin(E);                // z
}

void CMeshDB::BuildPalette()
{
    m_bandCount = kPaletteTable.bands;
    m_shadesPerBand = kPaletteTable.shadesPerBand;
    const int lo = (m_shadesPerBand + 1) / 3;
    const int D = m_shadesPerBand + lo - 1;
    for (int i = 0; i < m_bandCount && i < 21; ++i)
        for (int k = 0; k < m_shadesPerBand; ++k) {
            const uint8_t* base = kPaletteTable.rgb[i];
            const int f = lo + k;
            m_palette[10 + 10 * i + k] = PixelBgr0(base[0] * f / D, base[1] * f / D, base[2] * f / D);
        }
    m_palette[kNoDataIndex] = PixelBgr0(0, 0, 250);
}

void CMeshDB::ComputeShading()
{
    // In locals: the byte-wide stores below could otherwise alias the members.
    const double lx = m_light[0], lz = m_light[1], ly = m_light[2];
    const double gx = m_gradScaleX, gy = m_gradScaleY, nz = m_normalZ;
    ForEachSheetBlock([&](ElevationBlock& b) {
        ElevationCell* cells = &b.cells[0][0];
        for (int r = 0; r <= 80; ++r)
            for (int c = 0; c < kBlockSide; ++c) {
                ElevationCell& cell = cells[r * kBlockSide + c];
                const int h = cell.elevation;
                if (h == 0) {
                    cell.shade = 255;
                    continue;
                }
                const int e1 = cells[r * kBlockSide + c + 1].elevation;  // east, or the next row's first
                const int e2 = cells[(r + 1) * kBlockSide + c].elevation;  // south
                const double dx = static_cast<double>(e1 - h) * gx;
                const double dy = static_cast<double>(e2 - h) * gy;
                const double len = std::sqrt(dy * dy + nz * nz + dx * dx);
                const double inv = 1 / len;
                const double dot = inv * nz * lz + inv * dx * lx + inv * dy * ly;
                cell.shade = dot > 0 ? static_cast<uint8_t>(std::min(255.0, dot * 255.0)) : 0;
            }
    });
}

void CMeshDB::ComputeColorIndices()
{
    // The band of every elevation of the range, divided once each rather than once per cell.
    const int32_t minE = m_minElevation;
    const int64_t range = static_cast<int64_t>(m_maxElevation) - minE + 1;
    std::vector<uint8_t> bandOf(static_cast<size_t>(std::max<int64_t>(range, 1)));
    for (int64_t e = 0; e < range; ++e)
        bandOf[static_cast<size_t>(e)] = static_cast<uint8_t>((e * m_bandCount / range) % 256);
    const int shades = m_shadesPerBand;
    auto band = [&](int h) -> int64_t {
        const int64_t offset = static_cast<int64_t>(h) - minE;
        if (offset >= 0 && offset < range)
            return bandOf[static_cast<size_t>(offset)];
        return offset * m_bandCount / range % 256;  // a sheet walked but not indexed
    };
    ForEachSheetBlock([&](ElevationBlock& b) {
        for (int r = 0; r <= 80; ++r)
            for (int c = 0; c < kBlockSide; ++c) {
                ElevationCell& cell = b.cells[r][c];
                const int h = cell.elevation;
                if (h == 0 || cell.colorIndex == kNoDataIndex) {  // no data, or lake water
                    cell.colorIndex = kNoDataIndex;
                    continue;
                }
                const int s = cell.shade * shades / 256;
                cell.colorIndex = static_cast<uint8_t>((shades * band(h) + 10 + s) % 256);
            }
    });
}
