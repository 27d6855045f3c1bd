#include "cli/arguments.h"

#include "platform/cnumber.h"

#include <algorithm>
#include <sstream>

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s)
{
    const size_t a = s.find_first_not_of(kBlanks);
    if (a == std::string_view::npos)
        return {};
    return s.substr(a, s.find_last_not_of(kBlanks) - a + 1);
}

bool IsOption(const std::string& arg)
{
    return arg.size() > 2 && arg.compare(0, 2, "--") == 0;
}

bool Among(std::string_view choices, std::string_view value)
{
    std::istringstream words{std::string(choices)};
    for (std::string w; words >> w;)
        if (w == value)
            return true;
    return false;
}

// "10m, 5m or both"
std::string ChoiceList(std::string_view choices)
{
    std::vector<std::string> words;
    std::istringstream in{std::string(choices)};
    for (std::string w; in >> w;)
        words.push_back(w);
    std::string out;
    for (size_t i = 0; i < words.size(); ++i)
        out += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    return out;
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    }
    return lines;
}

// Text ending in one newline, or nothing.
std::string Paragraph(std::string_view text)
{
    return text.empty() ? std::string() : std::string(text) + "\n";
}

} // namespace

const Option& HelpOption()
{
    static const Option help{"--help", "", "this text"};
    return help;
}

std::vector<Option> AllOptions(const CommandSpec& spec)
{
    std::vector<Option> all = spec.options;
    all.push_back(HelpOption());
    return all;
}

bool ParsedArguments::Has(std::string_view name) const
{
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

ParsedArguments ParseArguments(const CommandSpec& spec, const std::vector<std::string>& args)
{
    const std::vector<Option> options = AllOptions(spec);
    ParsedArguments p;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsOption(arg)) {
            if (!spec.takesOperands) {
                p.error = "unexpected argument " + arg;
                return p;
            }
            p.operands.push_back(arg);
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto o = std::find_if(options.begin(), options.end(), [&](const Option& o) { return o.name == name; });
        if (o == options.end()) {
            p.error = "unknown option " + name;
            return p;
        }
        if (o->value.empty()) {
            if (eq != std::string::npos) {
                p.error = name + " takes no value";
                return p;
            }
            if (o->name == HelpOption().name) {
                p.help = true;
                return p;
            }
            p.options.emplace_back(o->name, std::string());
            continue;
        }
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            p.error = name + " needs a value";
            return p;
        }
        if (!o->choices.empty() && !Among(o->choices, value)) {
            p.error = name + " wants " + ChoiceList(o->choices) + " (got '" + value + "')";
            return p;
        }
        p.options.emplace_back(o->name, std::move(value));
    }
    return p;
}

std::string ArgumentError(const CommandSpec& spec, const std::string& error)
{
    const std::string name(spec.name);
    return name + ": " + error + " (try " + name + " --help)";
}

std::string TwoColumns(const std::vector<std::pair<std::string, std::string_view>>& entries, size_t indent,
                       size_t column)
{
    std::string out;
    const std::string pad(column, ' ');
    for (const auto& [name, help] : entries) {
        std::string line = std::string(indent, ' ') + name;
        const std::vector<std::string_view> lines = Lines(help);
        size_t first = 0;
        if (line.size() + 2 <= column && !lines.empty()) {
            line += std::string(column - line.size(), ' ');
            line += lines[0];
            first = 1;
        }
        out += line + "\n";
        for (size_t i = first; i < lines.size(); ++i)
            out += pad + std::string(lines[i]) + "\n";
    }
    return out;
}

std::string HelpText(const CommandSpec& spec)
{
    const std::string prefix = "Usage: tesselo-cli " + std::string(spec.name) + " ";
    std::string out;
    const std::vector<std::string_view> usage = Lines(spec.usage.empty() ? spec.operands : spec.usage);
    for (size_t i = 0; i < usage.size(); ++i)
        out += (i == 0 ? prefix : std::string(prefix.size(), ' ')) + std::string(usage[i]) + "\n";
    if (usage.empty())
        out += prefix.substr(0, prefix.size() - 1) + "\n";
    out += "\n" + Paragraph(spec.about.empty() ? spec.summary : spec.about);
    std::vector<std::pair<std::string, std::string_view>> entries;
    bool withValue = false;
    for (const Option& o : AllOptions(spec)) {
        entries.emplace_back(std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value)), o.help);
        withValue = withValue || !o.value.empty();
    }
    out += "\n" + TwoColumns(entries, 2, 21);
    if (!spec.notes.empty() || withValue) {
        out += "\n" + Paragraph(spec.notes);
        if (withValue)
            out += "Every option that takes a value also takes it as --OPTION=VALUE.\n";
    }
    return out;
}

std::optional<PointArgument> ParsePoint(std::string_view lat, std::string_view lon)
{
    PointArgument p;
    lat = Trim(lat);
    lon = Trim(lon);
    if (lat.empty() || lon.empty() || !ParseNumberC(lat, p.lat) || !ParseNumberC(lon, p.lon))
        return std::nullopt;
    p.latText = std::string(lat);
    p.lonText = std::string(lon);
    return p;
}

std::optional<PointArgument> ParsePoint(std::string_view text)
{
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos)
        return std::nullopt;
    return ParsePoint(text.substr(0, comma), text.substr(comma + 1));
}

std::optional<PointArgument> ParsePointLine(std::string_view text)
{
    const size_t end = text.find_last_not_of("\r\n");
    text = Trim(end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1));
    if (text.find(',') != std::string_view::npos)
        return ParsePoint(text);
    const size_t tab = text.find('\t');
    if (tab != std::string_view::npos) {
        // LAT<TAB>LON, perhaps with the rest of an answer line after a second tab.
        const std::string_view rest = text.substr(tab + 1);
        return ParsePoint(text.substr(0, tab), rest.substr(0, rest.find('\t')));
    }
    const size_t space = text.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const std::string_view lon = Trim(text.substr(space));
    if (lon.find_first_of(kBlanks) != std::string_view::npos)
        return std::nullopt;
    return ParsePoint(text.substr(0, space), lon);
}
