// The command line of tesselo-cli: each command declares its options once, and the parser,
// its --help, and the tests that hold the manual page and the completion to them read that
// declaration. Plain C++: the tests call it without a window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One option of a command.
struct Option {
    std::string_view name;         // "--at"
    std::string_view value;        // what follows it, as the help writes it ("LAT,LON"); empty for a flag
    std::string_view help;         // lines joined by '\n'
    std::string_view choices = {}; // the only values taken, blank-separated ("10m 5m both"); empty: any
};

// What a command takes and says about itself.
struct CommandSpec {
    std::string_view name = {};      // "files"
    std::string_view operands = {};  // its arguments as the list of commands shows them ("LAT LON", "...")
    std::string_view summary = {};   // its line(s) in the list of commands
    std::string_view usage = {};     // after "Usage: tesselo-cli NAME "; lines joined by '\n'; default: operands
    std::string_view about = {};     // what the command does, above its options; default: summary
    std::vector<Option> options = {};
    std::string_view notes = {};     // below its options
    bool takesOperands = false; // arguments that are not options (a folder, inputs, points)
};

// --help, taken by every command and declared here once.
const Option& HelpOption();

// The options of spec and --help.
std::vector<Option> AllOptions(const CommandSpec& spec);

// The arguments after the command's name, read left to right. "--name value" and "--name=value"
// alike for an option with a value; a value is taken as it stands, even when it starts with
// "--". The first mistake ends the reading, and so does --help.
struct ParsedArguments {
    std::vector<std::pair<std::string_view, std::string>> options;  // name, value ("" for a flag)
    std::vector<std::string> operands;
    bool help = false;
    std::string error;  // the first mistake, without the command's name; empty when none

    bool Has(std::string_view name) const;
};
ParsedArguments ParseArguments(const CommandSpec& spec, const std::vector<std::string>& args);

// "CMD: ERROR (try CMD --help)": the same words for the same mistake in every command.
std::string ArgumentError(const CommandSpec& spec, const std::string& error);

// Lines laid out in two columns: each name, then its help from column `column`, or from the
// next line when the name reaches it. Help lines are joined by '\n'.
std::string TwoColumns(const std::vector<std::pair<std::string, std::string_view>>& entries, size_t indent,
                       size_t column);

// The command's --help: usage, what it does, its options and its notes.
std::string HelpText(const CommandSpec& spec);

// A point as typed: "LAT,LON" in decimal degrees, the C number format, blanks allowed around
// each number ("35.68, 139.76"). Only the form is checked here; each command has its own limits.
struct PointArgument {
    double lat = 0, lon = 0;
    std::string latText, lonText;  // the numbers as typed, blanks dropped
};
std::optional<PointArgument> ParsePoint(std::string_view text);
// The same for a point typed as two arguments, LAT LON.
std::optional<PointArgument> ParsePoint(std::string_view lat, std::string_view lon);
// A point as a line of a list gives it: LAT,LON, LAT LON or LAT<TAB>LON, or a line that
// elevation prints (LAT<TAB>LON<TAB>ELEVATION<TAB>EDITION<TAB>XML: its first two fields). Blanks
// around are dropped.
std::optional<PointArgument> ParsePointLine(std::string_view text);
