// tesselo-cli: the map's answers without its window, and the window driven from a script.
#include "cli/commands.h"

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2)
        return Fail("no command (try --help)");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(MainHelp().c_str(), stdout);
        return 0;
    }
    if (name == "--version") {
        if (argc != 2)
            return Fail("usage: tesselo-cli --version");
        std::printf("tesselo-cli %s\n", TESSELO_VERSION);
        return 0;
    }
    const Command* command = FindCommand(name);
    if (!command)
        return Fail("unknown command: " + name + " (try --help)");
    const ParsedArguments args = ParseArguments(command->spec, std::vector<std::string>(argv + 2, argv + argc));
    if (args.help) {
        std::fputs(HelpText(command->spec).c_str(), stdout);
        return 0;
    }
    if (!args.error.empty())
        return Fail(ArgumentError(command->spec, args.error));
    return command->run(command->spec, args, argv[0]);
}
