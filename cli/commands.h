// The commands of tesselo-cli, one entry each: what they take and say (cli/arguments.h) and
// what runs them. A new command is one more entry in Commands().
#pragma once

#include "cli/arguments.h"
#include "queries/municipalquery.h"

#include <optional>
#include <string>
#include <vector>

struct Command {
    CommandSpec spec;
    // Runs the command on its parsed arguments; argv0 starts the window for those that need it.
    // Returns the exit status.
    int (*run)(const CommandSpec& spec, const ParsedArguments& args, char* argv0);
};

const std::vector<Command>& Commands();

// The command named name, or nullptr.
const Command* FindCommand(const std::string& name);

// tesselo-cli --help.
std::string MainHelp();

// "tesselo-cli: MESSAGE" on standard error; returns 1, the exit status of a bad argument.
int Fail(const std::string& message);

// The options that name an area, the same in files, check, convert and elevation.
extern const Option kAtOption, kBboxOption, kMeshOption, kPrefectureOption, kMunicipalityOption;
const std::vector<Option>& AreaOptions();

// What the area options of a command line say, not yet looked up.
struct AreaArguments {
    std::optional<AreaQuery> query;  // --at, --bbox or --mesh
    std::optional<int32_t> prefecture;
    std::string municipality;
    bool Given() const { return query || prefecture || !municipality.empty(); }
};
// Reads them from args: false with the mistake in error (without the command's name).
bool ReadAreaArguments(const ParsedArguments& args, AreaArguments& area, std::string& error);
// The area they name, a municipality's name looked up in the embedded data (loaded here). False
// with the message printed: a name that fits several places or none.
bool ResolveArea(std::string_view command, const AreaArguments& area, AreaSelection& selection);
