// The command line's one parser of options and of points, and the commands' declarations.
#include "cli/arguments.h"
#include "cli/commands.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

const CommandSpec& Sample()
{
    static const CommandSpec spec{.name = "sample",
                                  .usage = "DIR --out FILE [--edition 10m|5m]",
                                  .about = "A command of the tests.",
                                  .options = {{"--out", "FILE", "where to write"},
                                              {"--edition", "E", "10m or 5m", "10m 5m"},
                                              {"--quiet", "", "no progress line"}},
                                  .takesOperands = true};
    return spec;
}

ParsedArguments Parse(std::vector<std::string> args, const CommandSpec& spec = Sample())
{
    return ParseArguments(spec, args);
}

} // namespace

TEST(ArgumentParsing, AValueFollowsItsOptionOrAnEqualsSignAlike)
{
    const ParsedArguments spaced = Parse({"in", "--out", "a.tif", "--edition", "5m", "--quiet", "more"});
    const ParsedArguments joined = Parse({"in", "--out=a.tif", "--edition=5m", "--quiet", "more"});
    ASSERT_EQ(spaced.error, "");
    ASSERT_EQ(joined.error, "");
    EXPECT_EQ(spaced.options, joined.options);
    EXPECT_EQ(spaced.operands, (std::vector<std::string>{"in", "more"}));
    EXPECT_EQ(joined.operands, spaced.operands);
    EXPECT_TRUE(spaced.Has("--quiet"));
    EXPECT_FALSE(spaced.Has("--help"));
    // A value is taken as it stands, dashes, equals signs and all; "-" and "--" are operands.
    const ParsedArguments odd = Parse({"--out", "--quiet", "--out=a=b", "-", "--", "-35,139"});
    EXPECT_EQ(odd.error, "");
    ASSERT_EQ(odd.options.size(), 2u);
    EXPECT_EQ(odd.options[0].second, "--quiet");
    EXPECT_EQ(odd.options[1].second, "a=b");
    EXPECT_EQ(odd.operands, (std::vector<std::string>{"-", "--", "-35,139"}));
}

TEST(ArgumentParsing, EachMistakeHasItsOwnWordsAndEndsTheReading)
{
    EXPECT_EQ(Parse({"--frob"}).error, "unknown option --frob");
    EXPECT_EQ(Parse({"--frob=1"}).error, "unknown option --frob");
    EXPECT_EQ(Parse({"--quiet=1"}).error, "--quiet takes no value");
    EXPECT_EQ(Parse({"--quiet="}).error, "--quiet takes no value");
    EXPECT_EQ(Parse({"--help=1"}).error, "--help takes no value");
    EXPECT_EQ(Parse({"in", "--out"}).error, "--out needs a value");
    EXPECT_EQ(Parse({"--edition", "1m"}).error, "--edition wants 10m or 5m (got '1m')");
    EXPECT_EQ(Parse({"--edition="}).error, "--edition wants 10m or 5m (got '')");
    const CommandSpec noOperands{.name = "bare", .options = {{"--zips", "", "archives"}}};
    EXPECT_EQ(Parse({"--zips", "x"}, noOperands).error, "unexpected argument x");
    // The first mistake is the one reported.
    EXPECT_EQ(Parse({"--out", "a", "--quiet=1", "--frob"}).error, "--quiet takes no value");
    EXPECT_EQ(ArgumentError(Sample(), "--quiet takes no value"), "sample: --quiet takes no value (try sample --help)");
}

TEST(ArgumentParsing, HelpWinsUnlessAMistakeComesFirst)
{
    const ParsedArguments help = Parse({"--out", "a", "--help", "--frob"});
    EXPECT_TRUE(help.help);
    EXPECT_EQ(help.error, "");
    const ParsedArguments late = Parse({"--frob", "--help"});
    EXPECT_FALSE(late.help);
    EXPECT_EQ(late.error, "unknown option --frob");
    // As a value, --help is just the value.
    EXPECT_FALSE(Parse({"--out", "--help"}).help);
}

TEST(PointParsing, LatitudeFirstWithBlanksAroundTheNumbers)
{
    for (const char* text : {"35.68,139.76", "35.68, 139.76", "35.68 ,139.76", " 35.68,\t139.76 "}) {
        const std::optional<PointArgument> p = ParsePoint(text);
        ASSERT_TRUE(p) << text;
        EXPECT_EQ(p->lat, 35.68) << text;
        EXPECT_EQ(p->lon, 139.76) << text;
        EXPECT_EQ(p->latText, "35.68") << text;
        EXPECT_EQ(p->lonText, "139.76") << text;
    }
    const std::optional<PointArgument> two = ParsePoint("-35", "1e2");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->lat, -35);
    EXPECT_EQ(two->lon, 100);
    EXPECT_EQ(two->lonText, "1e2");
}

TEST(PointParsing, AnythingButTwoFiniteNumbersIsRefused)
{
    for (const char* bad : {"", ",", "35", "35,", ",139", "35,6,139,7", "35,139,", "35;139", "35.6.1,139", "nan,139",
                            "35,inf", "1e999,139", "35 6,139", "35,139x"})
        EXPECT_FALSE(ParsePoint(bad)) << bad;
    EXPECT_FALSE(ParsePoint("35,6", "139"));
    EXPECT_FALSE(ParsePoint("", "139"));
}

TEST(PointParsing, LinesGivePointsWithACommaABlankOrATabAndAnswerLinesTheirFirstTwoFields)
{
    for (const char* text : {"35.68,139.76", "35.68 139.76", "35.68\t139.76", "  35.68   139.76 \r\n", "35.68, 139.76\n",
                             "35.68\t139.76\t12.34\tDEM5A\tFG-GML-5339-45-00-DEM5A-20161001.xml",
                             "35.68\t139.76\tnan\t\t", " 35.68 \t 139.76\t"}) {
        const std::optional<PointArgument> p = ParsePointLine(text);
        ASSERT_TRUE(p) << text;
        EXPECT_EQ(p->lat, 35.68) << text;
        EXPECT_EQ(p->lon, 139.76) << text;
        EXPECT_EQ(p->latText, "35.68") << text;
        EXPECT_EQ(p->lonText, "139.76") << text;
    }
    for (const char* bad : {"", " ", "35.68", "35.68 139.76 12", "35.68 139.76,1", "35.68,139.76\tx", "35;139",
                            "35.68 x", "x\t139.76", "35.68\t\t139.76"})
        EXPECT_FALSE(ParsePointLine(bad)) << bad;
}

TEST(HelpText, ListsEveryOptionWithItsValueAndSaysHowValuesAreGiven)
{
    const std::string help = HelpText(Sample());
    EXPECT_EQ(help.rfind("Usage: tesselo-cli sample DIR --out FILE [--edition 10m|5m]\n\nA command of the tests.\n\n", 0),
              0u)
        << help;
    EXPECT_NE(help.find("\n  --out FILE         where to write\n"), std::string::npos) << help;
    EXPECT_NE(help.find("\n  --quiet            no progress line\n"), std::string::npos) << help;
    EXPECT_NE(help.find("\n  --help             this text\n"), std::string::npos) << help;
    EXPECT_NE(help.find("--OPTION=VALUE"), std::string::npos) << help;
    // Without an option that takes a value, there is nothing to say about values.
    const CommandSpec flags{.name = "flags", .operands = "X", .summary = "s", .options = {{"--all", "", "everything"}}};
    EXPECT_EQ(HelpText(flags).find("--OPTION=VALUE"), std::string::npos);
}

TEST(HelpText, ANameThatReachesTheColumnPutsItsHelpOnTheNextLine)
{
    EXPECT_EQ(TwoColumns({{"short", "one\ntwo"}, {"a-rather-long-name X", "three"}}, 2, 12),
              "  short     one\n"
              "            two\n"
              "  a-rather-long-name X\n"
              "            three\n");
}

TEST(CommandDeclarations, UsagesNameOnlyDeclaredOptionsAndNamesAreUnique)
{
    std::set<std::string> commands;
    static const std::regex option("--[a-z0-9][a-z0-9-]*");
    for (const Command& c : Commands()) {
        EXPECT_TRUE(commands.insert(std::string(c.spec.name)).second) << c.spec.name;
        EXPECT_FALSE(c.spec.summary.empty()) << c.spec.name;
        std::set<std::string> names;
        for (const Option& o : AllOptions(c.spec)) {
            EXPECT_TRUE(names.insert(std::string(o.name)).second) << c.spec.name << " " << o.name;
            EXPECT_TRUE(std::regex_match(std::string(o.name), option)) << o.name;
            EXPECT_FALSE(o.help.empty()) << o.name;
            EXPECT_TRUE(o.choices.empty() || !o.value.empty()) << "a flag with choices: " << o.name;
        }
        const std::string usage(c.spec.usage);
        for (std::sregex_iterator i(usage.begin(), usage.end(), option), end; i != end; ++i)
            EXPECT_TRUE(names.count(i->str())) << c.spec.name << "'s usage names " << i->str();
        // A command that points to its own help must have one worth reading.
        const bool pointsToHelp = c.spec.summary.find("(" + std::string(c.spec.name) + " --help)") != std::string::npos;
        EXPECT_EQ(pointsToHelp, !c.spec.options.empty()) << c.spec.name;
    }
    EXPECT_EQ(FindCommand("files")->spec.name, "files");
    EXPECT_EQ(FindCommand("frobnicate"), nullptr);
}

TEST(CommandDeclarations, TheMainHelpListsEveryCommandInOrder)
{
    const std::string help = MainHelp();
    size_t at = 0;
    for (const Command& c : Commands()) {
        const size_t found = help.find("\n  " + std::string(c.spec.name) + (c.spec.operands.empty() ? "" : " "), at);
        ASSERT_NE(found, std::string::npos) << c.spec.name;
        at = found + 1;
    }
    // The script commands are listed under drive.
    EXPECT_NE(help.find("\n                     print viewport      the projection state\n"), std::string::npos) << help;
}
