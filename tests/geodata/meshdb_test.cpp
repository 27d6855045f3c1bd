#include "geodata/meshdb.h"
#include "resource_builder.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>

namespace {

// A raster content with the given sheets (code, block); cells are filled by the caller.
struct Raster {
    Bytes content = Bytes(kBlocksBytes + kSheetsBytes, 0);
    int sheets = 0;
    ElevationBlock& Block(int i) { return reinterpret_cast<ElevationBlock*>(content.data())[i]; }
    void AddSheet(int32_t code, int32_t block, const char* name = "")
    {
        unsigned char* r = content.data() + kBlocksBytes + static_cast<size_t>(sheets++) * kSheetRecordSize;
        std::memcpy(r, &code, 4);
        std::memcpy(r + 4, &block, 4);
        std::strncpy(reinterpret_cast<char*>(r + 24), name, 127);
    }
};

struct Loaded {
    std::unique_ptr<CMeshDB> db = std::make_unique<CMeshDB>();
    ElevationBlock* blocks = nullptr;
    explicit Loaded(const Raster& r)
    {
        db->LoadElevationContent(r.content.data(), r.content.size());
        blocks = static_cast<ElevationBlock*>(GlobalLock(db->m_blocks));
    }
    ~Loaded() { GlobalUnlock(db->m_blocks); }
    const ElevationCell& Cell(int block, int r, int c) const { return blocks[block].cells[r][c]; }
};

int16_t Height(int block, int r, int c)
{
    return static_cast<int16_t>(1 + block * 1000 + r * 10 + c % 10);
}

} // namespace

TEST(ElevationRaster, IndexLinksAndBordersFromTheNeighbours)
{
    Raster r;
    r.AddSheet(5339, 0, "\x93\x8C\x8B\x9E");  // 東京
    r.AddSheet(5439, 1);                      // north of 5339
    r.AddSheet(5338, 2);                      // west of 5339
    r.AddSheet(6900, 3);                      // outside the index
    r.AddSheet(5340, 250);                    // a block number that does not exist
    for (int b = 0; b < 3; ++b)
        for (int row = 1; row <= 80; ++row)
            for (int c = 1; c <= 80; ++c)
                r.Block(b).cells[row][c].elevation = Height(b, row, c);
    Loaded l(r);
    CMeshDB& db = *l.db;
    EXPECT_EQ(db.SheetCount(), 5);
    EXPECT_EQ(db.m_sheetIndex[53 - 29][39 - 21], &db.m_sheets[0]);
    EXPECT_EQ(db.m_sheetIndex[54 - 29][39 - 21], &db.m_sheets[1]);
    EXPECT_EQ(db.m_sheetIndex[53 - 29][40 - 21], nullptr);  // block 250 is not indexed
    EXPECT_EQ(db.m_sheets[0].north, &db.m_sheets[1]);
    EXPECT_EQ(db.m_sheets[0].west, &db.m_sheets[2]);
    EXPECT_EQ(db.m_sheets[1].north, nullptr);
    EXPECT_STREQ(db.m_sheets[0].name, "\x93\x8C\x8B\x9E");
    for (int k = 0; k < kBlockSide; ++k)
        EXPECT_EQ(l.Cell(0, 0, k).elevation, l.Cell(1, 80, k).elevation) << k;  // row 0 = north's row 80
    // North's row 81 = row 1, copied before row 1 got its west border cell.
    for (int k = 1; k < kBlockSide; ++k)
        EXPECT_EQ(l.Cell(1, 81, k).elevation, l.Cell(0, 1, k).elevation) << k;
    EXPECT_EQ(l.Cell(1, 81, 0).elevation, 0);
    for (int k = 1; k <= 80; ++k) {
        EXPECT_EQ(l.Cell(0, k, 0).elevation, l.Cell(2, k, 80).elevation) << k;   // column 0 = west's column 80
        EXPECT_EQ(l.Cell(2, k, 81).elevation, l.Cell(0, k, 1).elevation) << k;
    }
    // A missing neighbour leaves the facing border at zero.
    EXPECT_EQ(l.Cell(1, 0, 5).elevation, 0);
    EXPECT_EQ(l.Cell(0, 40, 81).elevation, 0);
    EXPECT_EQ(db.m_maxElevation, Height(2, 80, 79));
    EXPECT_EQ(db.m_minElevation, 0);
    EXPECT_EQ(l.Cell(0, 40, 81).colorIndex, kNoDataIndex);
    EXPECT_EQ(l.Cell(0, 40, 81).shade, 255);
}

TEST(ElevationRaster, HillShadeOfFlatGroundAndOfSlopes)
{
    Raster r;
    r.AddSheet(5339, 0);
    ElevationBlock& b = r.Block(0);
    for (int row = 1; row <= 80; ++row)
        for (int c = 1; c <= 80; ++c)
            b.cells[row][c].elevation = 500;
    b.cells[11][10].elevation = 700;  // the cell above it has a southern neighbour 200 m higher
    b.cells[31][10].elevation = 300;  // and here 200 m lower
    b.cells[50][50].elevation = -5;   // the range runs from -5
    b.cells[60][60].elevation = 3602; // to 3602
    Loaded l(r);
    EXPECT_EQ(l.Cell(0, 40, 40).shade, 195);
    EXPECT_EQ(l.Cell(0, 10, 10).shade, 254);
    EXPECT_EQ(l.Cell(0, 30, 10).shade, 22);
    EXPECT_EQ(l.db->m_minElevation, -5);
    EXPECT_EQ(l.db->m_maxElevation, 3602);
    // Flat 500 m: band (505 x 21) / 3608 = 2, shade 195 gives s = 7.
    EXPECT_EQ(l.Cell(0, 40, 40).colorIndex, 10 * 2 + 17);
    // Column 80 looks east at the zero border: a drop.
    EXPECT_NE(l.Cell(0, 40, 80).shade, 195);
}

TEST(ElevationRaster, BandsAndPalette)
{
    Raster r;
    r.AddSheet(5339, 0);
    ElevationBlock& b = r.Block(0);
    // Three flat patches at -5, 1000 and 3602 m, each 3 x 3 so the middle cell is flat.
    const int16_t heights[3] = {-5, 1000, 3602};
    for (int i = 0; i < 3; ++i)
        for (int row = 10; row < 13; ++row)
            for (int c = 10 + 20 * i; c < 13 + 20 * i; ++c)
                b.cells[row][c].elevation = heights[i];
    Loaded l(r);
    const int expectBand[3] = {0, 5, 20};
    for (int i = 0; i < 3; ++i) {
        const ElevationCell& cell = l.Cell(0, 11, 11 + 20 * i);
        EXPECT_EQ(cell.shade, 195) << i;
        EXPECT_EQ(cell.colorIndex, 10 * expectBand[i] + 17) << i;
    }
    const CMeshDB& db = *l.db;
    EXPECT_EQ(db.m_bandCount, 21);
    EXPECT_EQ(db.m_shadesPerBand, 10);
    // Shade 0 is a quarter of the base colour, shade 9 the full colour; B, G, R, 0 in memory.
    EXPECT_EQ(db.m_palette[10], (40u * 3 / 12) << 16 | (232u * 3 / 12) << 8 | (40u * 3 / 12));
    EXPECT_EQ(db.m_palette[19], 40u << 16 | 232u << 8 | 40u);
    EXPECT_EQ(db.m_palette[219], 112u << 16 | 32u << 8 | 0u);
    EXPECT_EQ(db.m_palette[244], 250u);
    EXPECT_NEAR(db.m_light[0], 4.2011951e-7, 1e-13);
    EXPECT_EQ(db.m_light[2], -0.6427877487638439);
    EXPECT_EQ(db.m_light[1], 0.7660443264191262);
}

TEST(ElevationRaster, MissingOrShortContentLeavesNoRelief)
{
    ResourceScope res;
    res.Hide(134);
    CMeshDB db;
    db.LoadElevationRaster();
    EXPECT_EQ(db.SheetCount(), 0);
    EXPECT_EQ(db.m_sheetIndex[24][18], nullptr);
    EXPECT_EQ(db.m_maxElevation, 0);
    // A content cut inside the blocks: nothing past its end is read.
    Raster r;
    r.AddSheet(5339, 0);
    Bytes shortContent(r.content.begin(), r.content.begin() + 1000);
    CMeshDB db2;
    db2.LoadElevationContent(shortContent.data(), shortContent.size());
    EXPECT_EQ(db2.SheetCount(), 0);
    // Through the resource, as the view loads it.
    res.Add(134, Compress(r.content));
    CMeshDB db3;
    db3.LoadElevationRaster();
    EXPECT_EQ(db3.SheetCount(), 1);
    EXPECT_NE(db3.m_sheetIndex[24][18], nullptr);
}

TEST(ElevationRaster, TheResourceLoadsTheSameCellsAsTheContent)
{
    Raster r;
    r.AddSheet(5339, 0);
    r.AddSheet(5439, 1);
    r.AddSheet(5338, 2);
    for (int b = 0; b < 3; ++b)
        for (int row = 1; row <= 80; ++row)
            for (int c = 1; c <= 80; ++c)
                r.Block(b).cells[row][c].elevation = Height(b, row, c);
    ResourceScope res;
    res.Add(134, Compress(r.content));
    CMeshDB viaResource;
    viaResource.LoadElevationRaster();
    const Loaded viaContent(r);
    ASSERT_EQ(GlobalSize(viaResource.m_blocks), kBlocksBytes);
    const auto* a = static_cast<const unsigned char*>(GlobalLock(viaResource.m_blocks));
    EXPECT_EQ(std::memcmp(a, viaContent.blocks, kBlocksBytes), 0);
    GlobalUnlock(viaResource.m_blocks);
    EXPECT_EQ(viaResource.SheetCount(), 3);
    EXPECT_EQ(viaResource.m_maxElevation, viaContent.db->m_maxElevation);

    // Cut inside the blocks: what follows the cut is zero, and the blocks keep their size.
    res.Add(134, Compress(Bytes(r.content.begin(), r.content.begin() + 30000)));
    CMeshDB cut;
    cut.LoadElevationRaster();
    ASSERT_EQ(GlobalSize(cut.m_blocks), kBlocksBytes);
    const auto* blocks = static_cast<const ElevationBlock*>(GlobalLock(cut.m_blocks));
    EXPECT_EQ(blocks[0].cells[1][1].elevation, Height(0, 1, 1));
    EXPECT_EQ(blocks[2].cells[40][40].elevation, 0);
    GlobalUnlock(cut.m_blocks);
    EXPECT_EQ(cut.SheetCount(), 0);
}

TEST(ElevationRaster, LakeCellsKeepTheSeaColourAndTheirShoresShadeAsFlatGround)
{
    Raster r;
    r.AddSheet(5339, 0);
    r.AddSheet(5439, 1);  // north of 5339: its row 80 becomes 5339's border row 0
    for (int b = 0; b < 2; ++b)
        for (int row = 1; row <= 80; ++row)
            for (int c = 1; c <= 80; ++c)
                r.Block(b).cells[row][c].elevation = 500;
    // A lake at the level of its shores, marked as the data set marks it, and one on 5339's
    // northern edge.
    for (int row = 20; row < 25; ++row)
        for (int c = 20; c < 25; ++c)
            r.Block(0).cells[row][c].colorIndex = kNoDataIndex;
    r.Block(0).cells[1][40].colorIndex = kNoDataIndex;
    r.Block(0).cells[60][60].colorIndex = 7;  // any other stored value is recomputed
    Loaded l(r);
    for (int row = 20; row < 25; ++row)
        for (int c = 20; c < 25; ++c)
            EXPECT_EQ(l.Cell(0, row, c).colorIndex, kNoDataIndex) << row << "," << c;
    EXPECT_EQ(l.Cell(0, 1, 40).colorIndex, kNoDataIndex);
    EXPECT_EQ(l.Cell(1, 81, 40).colorIndex, kNoDataIndex);  // the north's border copy too
    // The shores keep the lake's elevation: flat ground, not a drop to the sea. The range is 0 to
    // 500 m, so 500 m is band (500 x 21) / 501 = 20.
    const int flat = 10 * 20 + 17;
    EXPECT_EQ(l.Cell(0, 19, 22).shade, 195);
    EXPECT_EQ(l.Cell(0, 22, 19).shade, 195);
    EXPECT_EQ(l.Cell(0, 19, 22).colorIndex, flat);
    EXPECT_EQ(l.Cell(0, 25, 22).colorIndex, flat);
    EXPECT_EQ(l.Cell(0, 60, 60).colorIndex, flat);
    EXPECT_EQ(l.db->m_minElevation, 0);
    EXPECT_EQ(l.db->m_maxElevation, 500);
    // Colouring again changes nothing: land indices never equal the sea's.
    l.db->ComputeColorIndices();
    EXPECT_EQ(l.Cell(0, 22, 22).colorIndex, kNoDataIndex);
    EXPECT_EQ(l.Cell(0, 19, 22).colorIndex, flat);
}
