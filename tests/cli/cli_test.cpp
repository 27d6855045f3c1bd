// tesselo-cli as users run it: output, exit status, and the C number format under a
// comma-decimal locale.
#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct Result {
    int status;
    std::string out;
};

Result Cli(const std::string& args, const std::string& input = "")
{
    const std::string cmd = "LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen " + std::string(TESSELO_CLI) + " " + args + " 2>/dev/null" +
                            (input.empty() ? " </dev/null" : " <<'EOF'\n" + input + "EOF\n");
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

TEST(Cli, MeshAndRectAnswerInTheCNumberFormat)
{
    EXPECT_EQ(Cli("mesh 35.681236 139.767125").out, "5339 46 11\n");
    EXPECT_EQ(Cli("mesh 35.6895 139.6920").out, "5339 45 25\n");
    EXPECT_EQ(Cli("rect 533945").out, "35.666666666666671 139.625 35.750000000000007 139.75\n");
    EXPECT_EQ(Cli("rect 53394567").out, "35.716666666666669 139.71250000000001 35.725000000000001 139.72499999999999\n");
}

TEST(Cli, BadArgumentsExitWithStatusOne)
{
    EXPECT_EQ(Cli("rect 5339").status, 1);
    EXPECT_EQ(Cli("rect 53394567x").status, 1);
    EXPECT_EQ(Cli("rect").status, 1);
    EXPECT_EQ(Cli("mesh 35,6 139").status, 1);  // a comma is no decimal point
    EXPECT_EQ(Cli("mesh nan 139").status, 1);
    EXPECT_EQ(Cli("frobnicate").status, 1);
    EXPECT_EQ(Cli("").status, 1);
    const Result help = Cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("drive [FILE]"), std::string::npos);
}

TEST(Cli, DriveRunsTheWindowOffScreen)
{
    const Result r = Cli("drive", "size 933 568\nprint window\nprint viewport\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("933x600 \u3000Orbenil", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("lonPerPixel=0.036441586280814578 "), std::string::npos) << r.out;
    EXPECT_EQ(Cli("drive", "print nothing\n").status, 1);
    EXPECT_EQ(Cli("drive /nonexistent/script").status, 1);
}

TEST(Cli, StatsOfTheEmbeddedDataEqualWhatTheDataBuildReported)
{
    FILE* f = std::fopen(TESSELO_GEODATA "/stats.txt", "r");
    if (!f)
        GTEST_SKIP() << "no data sets in this checkout";
    std::string expected;
    std::array<char, 256> line;
    while (std::fgets(line.data(), line.size(), f))
        expected += line.data();
    std::fclose(f);
    const Result r = Cli("stats");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected);
}
