#include "geodata/inflate.h"
#include "resource_builder.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// Content that compresses about four to one: the work buffer (twice the stored size) then
// holds only part of it.
Bytes Content(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>("ACGT"[rng() % 4]);
    return b;
}

struct Block {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1000000);
    int32_t size = 1000000;
    ~Block() { GlobalFree(h); }
    const unsigned char* Bytes() { return static_cast<const unsigned char*>(GlobalLock(h)); }
    void Done() { GlobalUnlock(h); }
    bool ZeroFrom(size_t from)
    {
        const unsigned char* b = Bytes();
        bool zero = true;
        for (size_t i = from; i < static_cast<size_t>(size); ++i)
            zero = zero && b[i] == 0;
        Done();
        return zero;
    }
};

// The sizes the block reaches: it grows only when a piece does not fit, by that piece.
int64_t ExpectedBlockSize(int64_t start, int64_t content, int64_t stored)
{
    const int64_t W = 2 * stored;
    int64_t size = start, written = 0;
    while (content - written > W) {
        if (size < written + W)
            size += W;
        written += W;
    }
    const int64_t n = content - written;
    if (n > 0 && size < written + n)
        size += n;
    return size;
}

} // namespace

TEST(InflateResource, ContentThatFitsLeavesTheBlockSizeAndZerosAfterIt)
{
    ResourceScope res;
    const Bytes content = Content(448632, 1);
    res.Add(132, Compress(content));
    Block block;
    ASSERT_TRUE(InflateResource(132, block.h, block.size));
    EXPECT_EQ(block.size, 1000000);
    EXPECT_EQ(std::memcmp(block.Bytes(), content.data(), content.size()), 0);
    block.Done();
    EXPECT_TRUE(block.ZeroFrom(content.size()));
}

TEST(InflateResource, GrowsByEachPieceThatDoesNotFit)
{
    ResourceScope res;
    const Bytes big = Content(6625304, 2);
    const Bytes stored = Compress(big);
    const int64_t W = 2 * static_cast<int64_t>(stored.size());
    ASSERT_GT(static_cast<int64_t>(big.size()), W);  // at least one full work buffer
    res.Add(138, stored);
    Block block;
    ASSERT_TRUE(InflateResource(138, block.h, block.size));
    // A fresh block grows by W with the first buffer and by the rest with the last piece.
    EXPECT_EQ(block.size, 1000000 + static_cast<int64_t>(big.size()));
    EXPECT_EQ(block.size, ExpectedBlockSize(1000000, big.size(), stored.size()));
    EXPECT_EQ(std::memcmp(block.Bytes(), big.data(), big.size()), 0);
    block.Done();
    EXPECT_TRUE(block.ZeroFrom(big.size()));

    // The next resource starts from the size reached, and the whole block is cleared first.
    const Bytes small = Content(1000, 3);
    res.Add(132, Compress(small));
    const int32_t reached = block.size;
    ASSERT_TRUE(InflateResource(132, block.h, block.size));
    EXPECT_EQ(block.size, reached);
    EXPECT_TRUE(block.ZeroFrom(small.size()));

    // A larger one grows the shared block only for the pieces beyond it.
    const Bytes larger = Content(12000000, 4);
    const Bytes larger_stored = Compress(larger);
    res.Add(139, larger_stored);
    ASSERT_TRUE(InflateResource(139, block.h, block.size));
    EXPECT_EQ(block.size, ExpectedBlockSize(reached, larger.size(), larger_stored.size()));
    EXPECT_GT(block.size, reached);
    EXPECT_LT(block.size, reached + static_cast<int64_t>(larger.size()));
    EXPECT_TRUE(block.ZeroFrom(larger.size()));
}

TEST(InflateResource, FailuresLeaveAConsistentBlock)
{
    ResourceScope res;
    Block block;
    // No such id.
    EXPECT_FALSE(InflateResource(4321, block.h, block.size));
    EXPECT_EQ(block.size, 1000000);
    // A stream cut short.
    const Bytes content = Content(3000000, 5);
    Bytes cut = Compress(content);
    cut.resize(cut.size() / 2);
    res.Add(134, cut);
    EXPECT_FALSE(InflateResource(134, block.h, block.size));
    EXPECT_GE(block.size, 1000000);
    EXPECT_EQ(static_cast<size_t>(block.size), GlobalSize(block.h));
    // A stream whose check value does not match its content, and one whose check is cut off.
    // The pieces before the last are kept, as for any stream that breaks in its last piece.
    Bytes altered = Compress(content);
    altered.back() ^= 1;
    res.Add(134, altered);
    const int32_t sizeBefore = block.size;
    EXPECT_FALSE(InflateResource(134, block.h, block.size));
    const int64_t W = 2 * static_cast<int64_t>(altered.size());
    const int64_t kept = (static_cast<int64_t>(content.size()) - 1) / W * W;
    EXPECT_EQ(block.size, ExpectedBlockSize(sizeBefore, kept, static_cast<int64_t>(altered.size())));
    altered.back() ^= 1;
    altered.pop_back();
    res.Add(134, altered);
    EXPECT_FALSE(InflateResource(134, block.h, block.size));
    altered.push_back(0);
    res.Add(134, altered);
    EXPECT_FALSE(InflateResource(134, block.h, block.size));
    // Not a zlib stream at all.
    res.Add(134, Bytes{1, 2, 3, 4, 5});
    EXPECT_FALSE(InflateResource(134, block.h, block.size));
    // Without a module handle nothing is looked up.
    res.Add(132, Compress(Content(10, 6)));
    g_hInstance = nullptr;
    EXPECT_FALSE(InflateResource(132, block.h, block.size));
    g_hInstance = GetModuleHandle(nullptr);
    EXPECT_TRUE(InflateResource(132, block.h, block.size));
    // A block that cannot grow fails, keeping what it has.
    res.Add(138, Compress(Content(5000000, 7)));
    SetGlobalAllocLimit(GlobalSize(block.h));
    const int32_t before = block.size;
    EXPECT_FALSE(InflateResource(138, block.h, block.size));
    SetGlobalAllocLimit(0);
    EXPECT_EQ(block.size, before);
}

TEST(InflateResource, NothingOfAnEarlierUseSurvivesPastTheContent)
{
    ResourceScope res;
    const Bytes content = Content(3000000, 8);
    res.Add(139, Compress(content));
    Bytes cut = Compress(Content(6000000, 9));
    cut.resize(cut.size() * 3 / 4);
    res.Add(134, cut);
    // A small block on the heap and a mapped one, both full of old bytes.
    for (int32_t start : {4096, 1000000}) {
        Block block;
        GlobalFree(block.h);
        block.h = GlobalAlloc(GMEM_MOVEABLE, static_cast<size_t>(start));
        block.size = start;
        std::memset(GlobalLock(block.h), 0xAB, static_cast<size_t>(start));
        GlobalUnlock(block.h);
        // A stream that breaks off after the block grew for it gives that room back ...
        EXPECT_FALSE(InflateResource(134, block.h, block.size));
        // ... and whatever it left there is gone when the block grows again.
        ASSERT_TRUE(InflateResource(139, block.h, block.size)) << start;
        EXPECT_EQ(std::memcmp(block.Bytes(), content.data(), content.size()), 0);
        block.Done();
        EXPECT_TRUE(block.ZeroFrom(content.size())) << start;
    }
}
