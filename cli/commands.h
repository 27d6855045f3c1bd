// The commands of tesselo-cli, one entry each: what they take and say (cli/arguments.h) and
// what runs them. A new command is one more entry in Commands().
#pragma once

#include "cli/arguments.h"

#include <string>
#include <vector>

struct AreaQuery;

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

// The options that name an area, shared by files and check.
extern const Option kAtOption, kBboxOption, kMeshOption;

bool IsAreaOption(std::string_view name);
// Sets query from --at, --bbox or --mesh (name) and its value; false with a message otherwise.
bool ParseAreaOption(std::string_view name, const std::string& value, AreaQuery& query, std::string& error);
