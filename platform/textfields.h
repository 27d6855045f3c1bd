// Text fields of the CSV and JSON that the command line writes: one quoting for every command.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// A CSV field, quoted (with doubled quotes) only where it holds a comma, a quote or a line end.
inline std::string CsvField(std::string_view s)
{
    if (s.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(s);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// A JSON string of UTF-8 text: quote and backslash escaped, control characters as \u00XX.
inline std::string JsonString(std::string_view s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
