// tesselo-cli as users run it: output, exit status, and the C number format under a
// comma-decimal locale.
#include "cli/commands.h"
#include "tests/shell.h"

#include <algorithm>
#include <QImage>
#include <array>
#include <set>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Result {
    int status;
    std::string out;
};

// withErrors: standard error joins standard output.
Result Cli(const std::string& args, const std::string& input = "", bool withErrors = false)
{
    const std::string cmd = "LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen " + std::string(TESSELO_CLI) + " " + args +
                            (withErrors ? " 2>&1" : " 2>/dev/null") +
                            (input.empty() ? " </dev/null" : " <<'EOF'\n" + input + "EOF\n");
    const ShellOutput o = RunShell(cmd);
    return {o.status, o.text};
}

} // namespace

Result Errors(const std::string& args, const std::string& input = "")
{
    return Cli(args, input, true);
}

TEST(Cli, MeshAndRectAnswerInTheCNumberFormat)
{
    EXPECT_EQ(Cli("mesh 35.681236 139.767125").out, "5339 46 11\n");
    EXPECT_EQ(Cli("mesh 35.6895 139.6920").out, "5339 45 25\n");
    // Zero-padded as the status bar shows them; a typed edge lands in the square it names.
    EXPECT_EQ(Cli("mesh 35.360556 138.727778").out, "5338 05 38\n");
    EXPECT_EQ(Cli("mesh 35.5 139.7").out, "5339 25 06\n");
    EXPECT_EQ(Cli("readout 35.5 139.7").out,
              " E : 139'42'00″ ( 139.7000 )  N : 35'30'00″ ( 35.5000 )      \n 5339-25-06\n");
    EXPECT_EQ(Cli("readout 95 300").out, " E -----  N -----      \n ----\n");
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
    // Outside the grid, or a code that is no square of it: refused, by name.
    for (const char* outside : {"mesh 91 139", "mesh -35 139", "mesh 35 121.9", "mesh 46 139"}) {
        const Result r = Errors(outside);
        EXPECT_EQ(r.status, 1) << outside;
        EXPECT_NE(r.out.find("outside the grid"), std::string::npos) << r.out;
    }
    for (const char* code : {"533990", "533908", "53398000", "292200", "305500"}) {
        const Result rect = Errors(std::string("rect ") + code);
        EXPECT_EQ(rect.status, 1) << code;
        EXPECT_NE(rect.out.find(std::string("rect: ") + code + " is not a square of the grid"), std::string::npos)
            << rect.out;
        const Result files = Errors(std::string("files --mesh ") + code);
        EXPECT_EQ(files.status, 1) << code;
        EXPECT_NE(files.out.find(code), std::string::npos) << files.out;
    }
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

TEST(Cli, FilesOfTheEmbeddedCataloguesAndBadAreas)
{
    // Tokyo station's square: its 10 m file and the 5 m file, both in 東京都.
    const Result at = Cli("files --at 35.681,139.767 --format csv");
    ASSERT_EQ(at.status, 0);
    EXPECT_EQ(at.out.substr(0, at.out.find('\n')), "edition,prefecture,zip,xml,mesh");
    EXPECT_NE(at.out.find("10m,東京都,FG-GML-5339-46-DEM10B.zip,"), std::string::npos);
    EXPECT_NE(at.out.find(",53394611\n"), std::string::npos);
    // A second-level code: its own file and one ZIP of 5 m files (the count is the model's).
    const Result zips = Cli("files --mesh 533945 --zips");
    ASSERT_EQ(zips.status, 0);
    EXPECT_NE(zips.out.find(" FG-GML-5339-45-DEM10B.zip   1\n"), std::string::npos);
    EXPECT_NE(zips.out.find("   FG-GML-5339-45-DEM5A.zip   "), std::string::npos);
    for (const char* bad : {"files", "files --at 35,139,1", "files --bbox 36,139,35,140", "files --mesh 5339",
                            "files --at 35.6,139.7 --edition 1m", "files --at 35.6,139.7 --format xml",
                            "files --at 35,6,139,7", "files --at 35.6,139.7 --bbox 35,139,36,140"}) {
        const Result r = Cli(bad);
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_EQ(r.out, "") << bad;
    }
}

TEST(Cli, TotalsSayOneFileAndOneZipArchive)
{
    const Result one = Errors("files --mesh 53394611 --edition 5m --format csv");
    const std::string total = "\n1 file, 1 ZIP archive\n";
    ASSERT_GE(one.out.size(), total.size());
    EXPECT_EQ(one.out.substr(one.out.size() - total.size()), total) << one.out;
    const Result two = Errors("files --mesh 53394611");
    EXPECT_NE(two.out.find("\n2 files, 2 ZIP archives\n"), std::string::npos) << two.out;
}

TEST(Cli, FilesSaysWheneverItListsEstimatedFiveMetreRows)
{
    const std::string note = "5 m rows are estimated: GSI publishes no list of its 5 m files (see files --help)\n";
    for (const char* listed : {"files --mesh 53394611", "files --mesh 533946 --edition 5m --zips --format csv",
                               "files --at 35.681,139.767 --format geojson"}) {
        const Result r = Errors(listed);
        EXPECT_NE(r.out.find(note), std::string::npos) << listed;
        // The totals stay the last line of standard error.
        EXPECT_LT(r.out.find(note), r.out.rfind(" ZIP archive")) << listed;
    }
    // Only 10 m rows, or none at all (a square GSI has no file for): nothing estimated.
    for (const char* exact : {"files --mesh 53394611 --edition 10m", "files --mesh 362326"})
        EXPECT_EQ(Errors(exact).out.find("estimated"), std::string::npos) << exact;
    EXPECT_NE(Cli("files --help").out.find("GSI publishes no list of its 5 m files"), std::string::npos);
}

TEST(Cli, EveryOptionWithAValueTakesItAfterAnEqualsSign)
{
    const Result spaced = Cli("files --mesh 53394611 --edition 5m --format csv");
    ASSERT_EQ(spaced.status, 0);
    EXPECT_EQ(Cli("files --mesh=53394611 --edition=5m --format=csv").out, spaced.out);
    EXPECT_EQ(Cli("files --at=35.681,139.767 --edition=10m").out, Cli("files --at 35.681,139.767 --edition 10m").out);
    const Result flagWithValue = Errors("files --at 35.681,139.767 --zips=1");
    EXPECT_EQ(flagWithValue.status, 1);
    EXPECT_EQ(flagWithValue.out, "tesselo-cli: files: --zips takes no value (try files --help)\n");
    const std::string png = testing::TempDir() + "tesselo-render-eq.png";
    EXPECT_EQ(Cli("render --size=200x100 --zoom=5 --center=35.681,139.767 --marker=35.681,139.767 --5m --out=" + png)
                  .status,
              0);
    EXPECT_EQ(std::remove(png.c_str()), 0);
}

TEST(Cli, RenderTakesPointsAsLatLonAndRefusesWhatLiesOutsideItsLimits)
{
    const std::string png = testing::TempDir() + "tesselo-render-order.png";
    ASSERT_EQ(Cli("render --size 120x80 --zoom 5 --center 35.681,139.767 --out " + png).status, 0);
    // The map of Tokyo Bay, not the black beyond the grid: many colours.
    QImage picture(QString::fromStdString(png));
    ASSERT_EQ(picture.size(), QSize(120, 80));
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);
    std::remove(png.c_str());
    struct Case {
        const char* args;
        const char* said;
    } cases[] = {
        {"--center 139.767,35.681", "--center 139.767,35.681 lies outside"},
        {"--center 35.6", "--center wants LAT,LON"},
        {"--size 0x10", "from 1 to 10000"},
        {"--size 10001x10", "from 1 to 10000"},
        {"--size 10.5x10", "from 1 to 10000"},
        {"--zoom 0.5", "from 0.6 to 1000"},
        {"--zoom 1001", "from 0.6 to 1000"},
        {"--marker 35.6", "--marker wants LAT,LON"},
    };
    for (const Case& c : cases) {
        const Result r = Errors(std::string("render ") + c.args + " --out " + png);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.out.find(c.said), std::string::npos) << c.args << ": " << r.out;
        EXPECT_NE(access(png.c_str(), F_OK), 0) << c.args;
    }
}

TEST(Cli, WherePutsExactNamesFirst)
{
    const Result r = Cli("where 新宿区");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "municipality\t新宿区\t35.693889\t139.703611\t5339-45-36\t東京都");
    const Result some = Cli("where 島");
    EXPECT_EQ(some.status, 0);
    EXPECT_LE(std::count(some.out.begin(), some.out.end(), '\n'), 50);
    EXPECT_EQ(some.out.find('\r'), std::string::npos);
    EXPECT_EQ(Cli("where ＺＺＺ").status, 1);
}

namespace {

// Lines of `where TEXT`, each split at its tabs.
std::vector<std::vector<std::string>> WhereRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    const Result r = Cli("where '" + text + "'");
    size_t at = 0;
    while (at < r.out.size()) {
        const size_t end = r.out.find('\n', at);
        const std::string line = r.out.substr(at, end - at);
        std::vector<std::string> fields;
        size_t f = 0;
        for (size_t tab; (tab = line.find('\t', f)) != std::string::npos; f = tab + 1)
            fields.push_back(line.substr(f, tab - f));
        fields.push_back(line.substr(f));
        rows.push_back(fields);
        at = end == std::string::npos ? r.out.size() : end + 1;
    }
    return rows;
}

} // namespace

TEST(Cli, WhereFindsEachSpellingOfTheEmbeddedNames)
{
    struct Case {
        const char* query;
        const char* kind;
        const char* name;  // as stored, the first row
        const char* prefecture;
    } cases[] = {
        {"東京都", "prefecture", "東京都", "東京都"},
        {"東京", "prefecture", "東京都", "東京都"},
        {"大阪", "prefecture", "大阪府", "大阪府"},
        {"北海道", "prefecture", "北海道", "北海道"},
        {"屛風岳", "mountain", "蔵王山<屏風岳>", "宮城県"},      // the variant the data stores
        {"屏風岳", "mountain", "蔵王山<屏風岳>", "宮城県"},
        {"鷗島", "island", "鴎島", "北海道"},
        {"霞ケ浦", "lake", "霞ヶ浦", "茨城県"},
        {"霞ヶ浦", "lake", "霞ヶ浦", "茨城県"},
        {"槍ケ岳", "mountain", "槍ヶ岳", "長野県"},
        {"駒ケ岳", "mountain", "駒ヶ岳", "山梨県"},
        {"関ヶ原町", "municipality", "関ケ原町", "岐阜県"},
        {"関ケ原町", "municipality", "関ケ原町", "岐阜県"},
        {"1839峰", "mountain", "１８３９峰", "北海道"},            // full-width digits stored
        {"ｱﾄｻﾇﾌﾟﾘ", "mountain", "アトサヌプリ", "北海道"},        // half-width kana
        {"ヨウテイ", "", "", ""},                              // readings are not searched
        {"蝦夷富士", "mountain", "羊蹄山", "北海道"},              // another name the list gives
        {"桜島", "mountain", "桜島<御岳>", "鹿児島県"},
        {"根子岳", "mountain", "阿蘇山<根子岳>", "熊本県"},        // its '>' kept
        {"塔ノ岳", "mountain", "丹沢山<塔ノ岳>", "神奈川県"},
        {"沖ノ鳥島", "island", "沖ノ鳥島", "東京都"},
    };
    for (const Case& c : cases) {
        const auto rows = WhereRows(c.query);
        if (!*c.kind) {
            EXPECT_TRUE(rows.empty()) << c.query;
            continue;
        }
        ASSERT_FALSE(rows.empty()) << c.query;
        ASSERT_EQ(rows[0].size(), 6u) << c.query;
        EXPECT_EQ(rows[0][0], c.kind) << c.query;
        EXPECT_EQ(rows[0][1], c.name) << c.query;
        EXPECT_EQ(rows[0][5], c.prefecture) << c.query;
    }
    // Every prefecture by its full name, first and exact.
    for (const char* p : {"青森県", "京都府", "神奈川県", "和歌山県", "鹿児島県", "沖縄県"}) {
        const auto rows = WhereRows(p);
        ASSERT_FALSE(rows.empty()) << p;
        EXPECT_EQ(rows[0][0] + rows[0][1] + rows[0][5], std::string("prefecture") + p + p);
    }
}

TEST(Cli, WhereTellsTheTenCentralWardsApart)
{
    const auto rows = WhereRows("中央区");
    ASSERT_EQ(rows.size(), 10u);
    std::vector<std::string> prefectures;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 6u);
        EXPECT_EQ(row[1], "中央区");
        prefectures.push_back(row[5]);
    }
    std::sort(prefectures.begin(), prefectures.end());
    EXPECT_EQ(prefectures, (std::vector<std::string>{"兵庫県", "北海道", "千葉県", "埼玉県", "大阪府", "新潟県",
                                                     "東京都", "熊本県", "神奈川県", "福岡県"}));
    // Every row of a broad search has its prefecture: all places of the data lie in one.
    for (const auto& row : WhereRows("山"))
        EXPECT_NE(row.at(5), "") << row.at(1);
}

TEST(Cli, MonkeyOfTwoThousandEventsLeavesNothingBehind)
{
    char dir[] = "/tmp/tesselo-monkey-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string cmd = std::string("cd ") + dir + " && printf 'tick\\nmonkey 7 2000\\n' | LC_ALL=de_DE.UTF-8 " +
                            "QT_QPA_PLATFORM=offscreen " + TESSELO_CLI + " drive";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    EXPECT_EQ(WEXITSTATUS(pclose(p)), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')), "monkey 2000 ok");
    EXPECT_NE(out.find("zoom="), std::string::npos);
    // Nothing written where it ran.
    EXPECT_EQ(rmdir(dir), 0) << "files were left in " << dir;
}

TEST(Cli, TheSameMistakeGetsTheSameWordsFromEveryCommand)
{
    for (const Command& c : Commands()) {
        const std::string name(c.spec.name);
        const std::string tail = " (try " + name + " --help)\n";
        EXPECT_EQ(Errors(name + " --frobnicate").out, "tesselo-cli: " + name + ": unknown option --frobnicate" + tail);
        EXPECT_EQ(Errors(name + " --help=1").out, "tesselo-cli: " + name + ": --help takes no value" + tail);
        const Result help = Cli(name + " --help");
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_EQ(help.out.rfind("Usage: tesselo-cli " + name, 0), 0u) << help.out;
        for (const Option& o : c.spec.options) {
            const std::string option(o.name);
            const Result r = Errors(name + " " + option + (o.value.empty() ? "=1" : ""));
            EXPECT_EQ(r.status, 1) << option;
            EXPECT_EQ(r.out, "tesselo-cli: " + name + ": " + option +
                                 (o.value.empty() ? " takes no value" : " needs a value") + tail);
        }
    }
    EXPECT_EQ(Errors("files --edition 1m").out,
              "tesselo-cli: files: --edition wants 10m, 5m or both (got '1m') (try files --help)\n");
    EXPECT_EQ(Errors("convert --edition=both").out,
              "tesselo-cli: convert: --edition wants 1m, 5m, 10m or best (got 'both') (try convert --help)\n");
    EXPECT_EQ(Errors("files stray --at 35,139").out,
              "tesselo-cli: files: unexpected argument stray (try files --help)\n");
}

TEST(Cli, EveryPointOptionTakesBlanksAfterTheComma)
{
    const Result bare = Cli("files --at 35.681,139.767 --format csv");
    ASSERT_EQ(bare.status, 0);
    EXPECT_EQ(Cli("files --at '35.681, 139.767' --format csv").out, bare.out);
    EXPECT_EQ(Cli("files '--at=35.681, 139.767' --format csv").out, bare.out);
    const std::string png = testing::TempDir() + "tesselo-render-blank.png";
    EXPECT_EQ(Cli("render --size 20x10 --center '35.681, 139.767' --marker '35.681, 139.767' --out " + png).status, 0);
    EXPECT_EQ(std::remove(png.c_str()), 0);
    // Still one point: a comma for a decimal point, or a third number, is refused.
    for (const std::string& bad : std::vector<std::string>{"files --at '35,681, 139,767'", "files --at '35.681, 139.767, 1'",
                                                       "render --center '35,6, 139' --out " + png})
        EXPECT_EQ(Cli(bad).status, 1) << bad;
    EXPECT_NE(access(png.c_str(), F_OK), 0);
}
