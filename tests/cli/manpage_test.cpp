#include "cli/commands.h"
#include "cli/driver.h"
#include "tests/shell.h"

// The manual pages and the bash completion against the programs' own help texts, so that a new
// command or option cannot be left out of them.
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>
#include <sys/wait.h>

namespace {

using Output = ShellOutput;

Output Shell(const std::string& cmd)
{
    return RunShell(cmd);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The words a help text defines: every --option anywhere, the alternatives of a|b|c values,
// and on each line of the two-column layout (name, then a gap of two spaces or more, then what
// it does) the lower-case words of the name column, brackets stripped: commands, sub-commands
// such as "print tile10" and keywords such as "[alt]". Upper-case words are placeholders.
std::set<std::string> HelpWords(const std::string& help)
{
    std::set<std::string> words;
    static const std::regex option("--[a-z0-9][a-z0-9-]*");
    for (std::sregex_iterator i(help.begin(), help.end(), option), end; i != end; ++i)
        words.insert(i->str());
    static const std::regex alternatives("[a-z0-9]+(\\|[a-z0-9]+)+");
    for (std::sregex_iterator i(help.begin(), help.end(), alternatives), end; i != end; ++i) {
        std::istringstream parts(i->str());
        for (std::string w; std::getline(parts, w, '|');)
            if (w.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos)
                words.insert(w);
    }
    std::istringstream lines(help);
    static const std::regex entry("^ +(\\S.*?)  +\\S.*$");
    static const std::regex word("[a-z][a-z0-9-]*");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, entry))
            continue;
        std::istringstream names(m[1].str());
        for (std::string w; names >> w;) {
            if (w.size() > 2 && w.front() == '[' && w.back() == ']')
                w = w.substr(1, w.size() - 2);
            if (std::regex_match(w, word))
                words.insert(w);
        }
    }
    return words;
}

// The text of a manual page with roff's escapes and requests reduced to plain words.
std::string ManText(const std::string& roff)
{
    std::string out;
    std::istringstream lines(roff);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".\\\"", 0) == 0)
            continue;  // comment
        if (!line.empty() && line[0] == '.') {
            const auto space = line.find(' ');
            line = space == std::string::npos ? std::string() : line.substr(space + 1);
        }
        line = std::regex_replace(line, std::regex("\\\\f[BIRP]"), "");
        line = std::regex_replace(line, std::regex("\\\\-"), "-");
        line = std::regex_replace(line, std::regex("\\\\&"), "");
        line = std::regex_replace(line, std::regex("\""), " ");
        out += line + "\n";
    }
    return out;
}

bool HasWord(const std::string& text, const std::string& w)
{
    for (size_t at = text.find(w); at != std::string::npos; at = text.find(w, at + 1)) {
        auto part = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
        const bool before = at > 0 && part(text[at - 1]);
        const bool after = at + w.size() < text.size() && part(text[at + w.size()]);
        if (!before && !after)
            return true;
    }
    return false;
}

// The main help and every sub-help it points to with "(NAME --help)".
std::vector<std::pair<std::string, std::string>> CliHelps()
{
    std::vector<std::pair<std::string, std::string>> helps;
    const Output main = Shell(std::string(TESSELO_CLI) + " --help");
    EXPECT_EQ(main.status, 0);
    helps.emplace_back("--help", main.text);
    static const std::regex sub("\\(([a-z][a-z0-9-]*) --help\\)");
    for (std::sregex_iterator i(main.text.begin(), main.text.end(), sub), end; i != end; ++i) {
        const std::string name = (*i)[1].str();
        const Output o = Shell(std::string(TESSELO_CLI) + " " + name + " --help");
        EXPECT_EQ(o.status, 0) << name;
        helps.emplace_back(name + " --help", o.text);
    }
    return helps;
}

// The sections of a command in the manual page: those whose title is its name in capitals or
// starts with it ("FILES OF AN AREA").
std::vector<std::string> Sections(const std::string& roff, std::string_view command)
{
    std::string title(command);
    for (char& c : title)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::vector<std::string> sections;
    bool inside = false;
    std::istringstream lines(roff);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".SH ", 0) == 0) {
            const std::string t = line.substr(4);
            inside = t == title || t.rfind(title + " ", 0) == 0;
            if (inside)
                sections.emplace_back();
            continue;
        }
        if (inside)
            sections.back() += line + "\n";
    }
    return sections;
}

// The option entries of a section as plain text: "--at LAT,LON", "--zips".
std::set<std::string> OptionHeads(const std::string& section)
{
    std::set<std::string> heads;
    std::istringstream lines(section);
    for (std::string line; std::getline(lines, line);) {
        if (line != ".TP" || !std::getline(lines, line))
            continue;
        std::string head = ManText(line + "\n");
        while (!head.empty() && std::isspace(static_cast<unsigned char>(head.back())))
            head.pop_back();
        if (head.rfind("--", 0) == 0)
            heads.insert(head);
    }
    return heads;
}

// What the completion offers after "tesselo-cli WORDS... CURRENT", one word a line.
std::set<std::string> Offered(const std::string& words, const std::string& current = "")
{
    const std::string script = TESSELO_SOURCE_DIR "/resources/completion/tesselo-cli";
    const std::string cmd = "bash -c '. " + script + "; COMP_WORDS=(tesselo-cli " + words + " \"" + current +
                            "\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                            "_tesselo_cli; printf \"%s\\n\" \"${COMPREPLY[@]}\"'";
    const Output o = Shell(cmd);
    EXPECT_EQ(o.status, 0) << cmd;
    std::set<std::string> s;
    std::istringstream lines(o.text);
    for (std::string l; std::getline(lines, l);)
        if (!l.empty())
            s.insert(l);
    return s;
}

std::set<std::string> Words(std::string_view text)
{
    std::set<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string w; in >> w;)
        words.insert(w);
    return words;
}

} // namespace

TEST(ManualPages, EachCommandsOptionEntriesAreExactlyItsDeclaredOptions)
{
    const std::string roff = ReadFile(TESSELO_SOURCE_DIR "/resources/man/tesselo-cli.1");
    for (const Command& c : Commands()) {
        if (c.spec.options.empty())
            continue;
        std::set<std::string> declared, written;
        for (const Option& o : AllOptions(c.spec))
            declared.insert(std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value)));
        const std::vector<std::string> sections = Sections(roff, c.spec.name);
        EXPECT_FALSE(sections.empty()) << "no section for " << c.spec.name;
        for (const std::string& s : sections)
            for (const std::string& head : OptionHeads(s))
                written.insert(head);
        EXPECT_EQ(written, declared) << c.spec.name;
    }
    // Every command of a script is in the page's section on drive.
    const std::vector<std::string> drive = Sections(roff, "drive");
    ASSERT_EQ(drive.size(), 1u);
    for (const std::string& name : DriverCommandNames())
        EXPECT_TRUE(HasWord(ManText(drive[0]), name)) << name;
}

TEST(BashCompletion, OffersExactlyTheDeclaredCommandsOptionsAndChoices)
{
    std::set<std::string> commands{"--help", "--version"};
    for (const Command& c : Commands())
        commands.insert(std::string(c.spec.name));
    EXPECT_EQ(Offered(""), commands);
    for (const Command& c : Commands()) {
        const std::string name(c.spec.name);
        std::set<std::string> options;
        for (const Option& o : AllOptions(c.spec)) {
            options.insert(std::string(o.name));
            if (!o.choices.empty()) {
                EXPECT_EQ(Offered(name + " " + std::string(o.name)), Words(o.choices)) << name << " " << o.name;
            }
        }
        EXPECT_EQ(Offered(name, "--"), options) << name;
    }
}

TEST(ManualPages, HelpWordsAreFoundAndTheReducedTextIsPlain)
{
    const std::set<std::string> w = HelpWords("Usage: x files (--at LAT,LON | --bbox S) [--edition 10m|5m|both]\n"
                                              "  mesh LAT LON     what it does\n"
                                              "                   continued, with words\n"
                                              "    print tile10 I   code\n"
                                              "    click X Y [alt]  press\n");
    EXPECT_EQ(w, (std::set<std::string>{"--at", "--bbox", "--edition", "10m", "5m", "both", "mesh", "print", "tile10",
                                        "click", "alt"}));
    const std::string text = ManText(".TP\n.B \\-\\-zips\n\\fBprint tile5\\fP \\fII\\fP\n.\\\" --hidden\n");
    EXPECT_TRUE(HasWord(text, "--zips"));
    EXPECT_TRUE(HasWord(text, "tile5"));
    EXPECT_FALSE(HasWord(text, "--zip"));
    EXPECT_FALSE(HasWord(text, "--hidden"));
}

TEST(ManualPages, EveryCommandAndOptionOfTheCliHelpIsInItsPage)
{
    const std::string page = ManText(ReadFile(TESSELO_SOURCE_DIR "/resources/man/tesselo-cli.1"));
    ASSERT_FALSE(page.empty());
    for (const auto& [name, help] : CliHelps()) {
        const std::set<std::string> words = HelpWords(help);
        // A help that yields no word at all would mean the parsing no longer fits its layout.
        EXPECT_FALSE(words.empty()) << name;
        for (const std::string& w : words)
            EXPECT_TRUE(HasWord(page, w)) << "tesselo-cli.1 lacks '" << w << "' of tesselo-cli " << name;
    }
}

TEST(ManualPages, EveryOptionOfTheWindowsHelpIsInItsPageWithTheVersion)
{
    const Output help = Shell(std::string(TESSELO_APP) + " --help");
    ASSERT_EQ(help.status, 0);
    const std::string page = ReadFile(TESSELO_SOURCE_DIR "/resources/man/tesselo.1");
    const std::string text = ManText(page);
    for (const std::string& w : HelpWords(help.text))
        EXPECT_TRUE(HasWord(text, w)) << "tesselo.1 lacks '" << w << "' of tesselo --help";
    // Both pages carry the version that the program prints.
    const Output version = Shell("env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(TESSELO_APP) + " --version");
    ASSERT_EQ(version.status, 0);
    ASSERT_EQ(version.text.rfind("tesselo ", 0), 0u) << version.text;
    const std::string v = version.text.substr(8, version.text.size() - 9);
    EXPECT_NE(page.find("\"tesselo " + v + "\""), std::string::npos) << v;
    EXPECT_NE(ReadFile(TESSELO_SOURCE_DIR "/resources/man/tesselo-cli.1").find("\"tesselo " + v + "\""),
              std::string::npos)
        << v;
}

TEST(ManualPages, GroffReadsBothWithoutAWarning)
{
    for (const char* page : {"tesselo.1", "tesselo-cli.1"}) {
        const Output o = Shell("groff -man -Tutf8 -ww -z " TESSELO_SOURCE_DIR "/resources/man/" + std::string(page) +
                             " 2>&1");
        EXPECT_EQ(o.status, 0) << page;
        EXPECT_EQ(o.text, "") << page;
    }
}

TEST(BashCompletion, OffersEveryCommandAndOptionOfTheHelp)
{
    const std::string script = TESSELO_SOURCE_DIR "/resources/completion/tesselo-cli";
    // What the completion offers after "tesselo-cli WORDS... ", one word a line.
    auto offered = [&](const std::string& words) {
        const std::string cmd = "bash -c '. " + script +
                                "; COMP_WORDS=(tesselo-cli " + words + " \"\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                                "_tesselo_cli; printf \"%s\\n\" \"${COMPREPLY[@]}\"'";
        const Output o = Shell(cmd);
        EXPECT_EQ(o.status, 0) << cmd;
        std::set<std::string> s;
        std::istringstream lines(o.text);
        for (std::string l; std::getline(lines, l);)
            s.insert(l);
        return s;
    };
    const std::set<std::string> commands = offered("");
    for (const auto& [name, help] : CliHelps()) {
        if (name == "--help") {
            // The commands: the first word of each entry of the Commands list.
            static const std::regex entry("^  ([a-z-][a-z0-9-]*)( [^ ].*?)?  +\\S.*$");
            std::istringstream lines(help);
            for (std::string line; std::getline(lines, line);) {
                std::smatch m;
                if (std::regex_match(line, m, entry)) {
                    EXPECT_TRUE(commands.count(m[1].str())) << "completion lacks the command " << m[1];
                }
            }
            continue;
        }
        const std::string sub = name.substr(0, name.find(' '));
        // Commands whose entry is too long for the two-column layout (convert, elevation) are
        // found here, by their sub-help.
        EXPECT_TRUE(commands.count(sub)) << "completion lacks the command " << sub;
        const std::set<std::string> options = offered(sub);
        for (const std::string& w : HelpWords(help)) {
            if (w.rfind("--", 0) == 0) {
                EXPECT_TRUE(options.count(w)) << "completion lacks " << w << " of " << sub;
            }
        }
    }
    EXPECT_EQ(offered("files --edition"), (std::set<std::string>{"10m", "5m", "both"}));
    EXPECT_EQ(offered("files --format"), (std::set<std::string>{"text", "csv", "json", "geojson"}));
    EXPECT_EQ(offered("check --format"), (std::set<std::string>{"text", "csv", "json"}));
    EXPECT_EQ(offered("convert --edition"), (std::set<std::string>{"10m", "5m", "best"}));
    EXPECT_EQ(offered("files --edition ="), (std::set<std::string>{"10m", "5m", "both"}));
}
