// tesselo-cli check, convert, elevation and tiles: the DEM files a user downloaded.
#pragma once

#include "cli/arguments.h"

int DemCheck(const CommandSpec& spec, const ParsedArguments& args, char* argv0);
int DemConvert(const CommandSpec& spec, const ParsedArguments& args, char* argv0);
int DemElevation(const CommandSpec& spec, const ParsedArguments& args, char* argv0);
int DemWebTiles(const CommandSpec& spec, const ParsedArguments& args, char* argv0);
