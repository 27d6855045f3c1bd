#include "app/compression.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

// Runs each case in a fresh working directory.
struct CompressionTest : testing::Test {
    fs::path old;
    fs::path dir;
    void SetUp() override
    {
        old = fs::current_path();
        char tmpl[] = "/tmp/tesselo-comp-XXXXXX";
        dir = mkdtemp(tmpl);
        fs::current_path(dir);
    }
    void TearDown() override
    {
        fs::current_path(old);
        fs::remove_all(dir);
    }
    static std::string Read(const char* name)
    {
        std::ifstream f(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    static void Write(const char* name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string Inflate(const std::string& z)
    {
        std::vector<unsigned char> out(1 << 20);
        uLongf n = out.size();
        EXPECT_EQ(uncompress(out.data(), &n, reinterpret_cast<const Bytef*>(z.data()), z.size()), Z_OK);
        return {reinterpret_cast<char*>(out.data()), n};
    }
    static std::string Noise(size_t n)
    {
        std::mt19937 rng(7);
        std::string s(n, 0);
        for (char& c : s)
            c = static_cast<char>(rng());
        return s;
    }
};

} // namespace

TEST_F(CompressionTest, WithoutInputNothingHappens)
{
    RunStartupCompression();
    EXPECT_FALSE(fs::exists("comp.bin"));
}

TEST_F(CompressionTest, RoundTripsAroundTheBufferSize)
{
    for (size_t n : {0, 1, 1023, 1024, 1025, 4096, 70000}) {
        const std::string content = Noise(n);
        Write("uncomp.bin", content);
        testing::internal::CaptureStderr();
        RunStartupCompression();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << n;
        const std::string z = Read("comp.bin");
        ASSERT_GE(z.size(), 2u) << n;
        EXPECT_EQ(static_cast<unsigned char>(z[0]), 0x78) << n;
        EXPECT_EQ(static_cast<unsigned char>(z[1]), 0x9C) << n;
        EXPECT_EQ(Inflate(z), content) << n;
    }
}

TEST_F(CompressionTest, AnEarlierOutputIsOverwritten)
{
    Write("comp.bin", std::string(100000, 'x'));
    Write("uncomp.bin", "abc");
    RunStartupCompression();
    EXPECT_EQ(Inflate(Read("comp.bin")), "abc");
}

TEST_F(CompressionTest, AnOutputThatCannotBeCreatedClosesTheInputQuietly)
{
    Write("uncomp.bin", "abc");
    fs::create_directory("comp.bin");  // fopen for writing fails even for root
    testing::internal::CaptureStderr();
    RunStartupCompression();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(fs::is_directory("comp.bin"));
}

TEST_F(CompressionTest, AFullDiskWritesOneMessage)
{
    Write("uncomp.bin", Noise(200000));
    fs::create_symlink("/dev/full", "comp.bin");
    testing::internal::CaptureStderr();
    RunStartupCompression();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Write error\n");
}
