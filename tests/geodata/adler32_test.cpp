#include "geodata/adler32.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>
#include <zlib.h>

namespace {

uint32_t Reference(uint32_t adler, const unsigned char* p, size_t n)
{
    return static_cast<uint32_t>(adler32(adler, p, static_cast<uInt>(n)));
}

} // namespace

// Lengths on both sides of the 32-byte steps and of the runs between reductions, at every
// alignment, from start values across the range.
TEST(Adler32, EqualsZlibForEveryLengthAlignmentAndStart)
{
    std::mt19937 rng(11);
    std::vector<unsigned char> bytes(70000);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(rng());
    const uint32_t starts[] = {1, 0, 0xfff0fff0, 0x00010000, 65520u << 16 | 65520u, 0xffffffff, 0x1234ffff};
    std::vector<size_t> lengths = {0, 1, 15, 16, 31, 32, 33, 63, 64, 5535, 5536, 5537, 5552, 5568, 11072, 65536};
    for (int i = 0; i < 200; ++i)
        lengths.push_back(rng() % 20000);
    for (uint32_t start : starts)
        for (size_t n : lengths)
            for (size_t offset : {0, 1, 7, 31}) {
                const unsigned char* p = bytes.data() + offset;
                ASSERT_EQ(Adler32(start, p, n), Reference(start, p, n)) << start << " " << n << " " << offset;
            }
}

// All bytes 255 drive the sums to their largest, where a run too long would overflow.
TEST(Adler32, LargestSumsDoNotOverflow)
{
    const std::vector<unsigned char> ff(3 << 20, 0xff);
    for (uint32_t start : {1u, 65520u << 16 | 65520u})
        for (size_t n : {size_t{5536}, size_t{5552}, size_t{100000}, ff.size()})
            EXPECT_EQ(Adler32(start, ff.data(), n), Reference(start, ff.data(), n)) << n;
}

// Pieces checked one after another give the value of the whole.
TEST(Adler32, PiecesChainToTheWhole)
{
    std::mt19937 rng(12);
    std::vector<unsigned char> bytes(1 << 20);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(rng() & 0x3f);
    uint32_t value = 1;
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = std::min<size_t>(rng() % 100000, bytes.size() - at);
        value = Adler32(value, bytes.data() + at, n);
        at += n;
    }
    EXPECT_EQ(value, Reference(1, bytes.data(), bytes.size()));
}
