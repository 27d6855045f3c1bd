#include "queries/jumptext.h"

#include "geodata/meshcode.h"
#include "platform/cnumber.h"

#include <cstdint>
#include <vector>

const char* const kJumpUnreadable = "緯度と経度をカンマで区切って入力してください";
const char* const kJumpLatitudeUnreadable = "緯度が読み取れません";
const char* const kJumpLongitudeUnreadable = "経度が読み取れません";
const char* const kJumpOutsideGrid = "範囲外です（北緯20〜46度、東経122〜154度）";
const char* const kJumpSwapped = "範囲外です（緯度と経度が逆ではありませんか）";

namespace {

// The entry reduced to ASCII: digits, '+', '-', '.', ',' (every separator), ' ' (every white
// space), 'd' (degree sign), 'm' (minute marks), 's' (second marks), and '?' for any other
// character or a byte that is not UTF-8, so that the field holding it is the one refused.
std::string Normalise(std::string_view text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0;
        size_t n = 0;
        if (b < 0x80)
            c = b, n = 1;
        else if ((b & 0xE0) == 0xC0)
            c = b & 0x1F, n = 2;
        else if ((b & 0xF0) == 0xE0)
            c = b & 0x0F, n = 3;
        else if ((b & 0xF8) == 0xF0)
            c = b & 0x07, n = 4;
        else
            n = 0;
        for (size_t k = 1; k < n; ++k) {
            const auto t = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            if ((t & 0xC0) != 0x80)
                n = 0;
            else
                c = c << 6 | (t & 0x3F);
        }
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        i += n;
        if (c >= '0' && c <= '9')
            out += static_cast<char>(c);
        else if (c >= 0xFF10 && c <= 0xFF19)  // full-width digits
            out += static_cast<char>('0' + (c - 0xFF10));
        else if (c == '+' || c == 0xFF0B)
            out += '+';
        else if (c == '-' || c == 0xFF0D || c == 0x2212)
            out += '-';
        else if (c == '.' || c == 0xFF0E)
            out += '.';
        else if (c == ',' || c == 0xFF0C || c == 0x3001 || c == 0xFF64)
            out += ',';
        else if (c == ' ' || (c >= '\t' && c <= '\r') || c == 0x3000)
            out += ' ';
        else if (c == 0xB0 || c == 0xBA)  // ° and the ordinal º that some keyboards give for it
            out += 'd';
        else if (c == '\'' || c == 0x2032 || c == 0xFF07)
            out += 'm';
        else if (c == '"' || c == 0x2033 || c == 0xFF02)
            out += 's';
        else
            out += '?';
    }
    return out;
}

struct Token {
    char kind;  // 'n' number, 'd', 'm', 's' marks, ' ' a gap between two numbers
    std::string_view text;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Numbers and marks; white space only counts where it stands between two numbers.
bool Tokens(std::string_view s, std::vector<Token>& out)
{
    size_t i = 0;
    bool gap = false;
    while (i < s.size()) {
        const char c = s[i];
        if (c == ' ') {
            gap = true;
            ++i;
            continue;
        }
        if (IsDigit(c) || c == '.') {
            if (gap && !out.empty() && out.back().kind == 'n')
                out.push_back({' ', {}});
            size_t j = i;
            while (j < s.size() && (IsDigit(s[j]) || s[j] == '.'))
                ++j;
            out.push_back({'n', s.substr(i, j - i)});
            i = j;
        } else if (c == 'd' || c == 'm' || c == 's') {
            out.push_back({c, {}});
            ++i;
        } else {
            return false;
        }
        gap = false;
    }
    return true;
}

// Digits with at most one point among or after them.
bool Decimal(std::string_view t, double& v)
{
    size_t digits = 0, points = 0;
    for (char c : t)
        (c == '.' ? points : digits) += 1;
    return digits > 0 && points <= 1 && ParseNumberC(t, v);
}

bool Whole(std::string_view t, double& v)
{
    return !t.empty() && t.find('.') == std::string_view::npos && t.size() <= 9 && ParseNumberC(t, v);
}

// One coordinate: decimal degrees, or degrees, minutes and perhaps seconds.
bool Coordinate(std::string_view field, double& value)
{
    bool negative = false;
    if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
        negative = field.front() == '-';
        field.remove_prefix(1);
    }
    std::vector<Token> t;
    if (!Tokens(field, t) || t.empty() || t[0].kind != 'n')
        return false;
    double d = 0, m = 0, s = 0;
    auto is = [&](size_t i, const char* kinds) {
        return i < t.size() && std::string_view(kinds).find(t[i].kind) != std::string_view::npos;
    };
    if (t.size() <= 2 && (t.size() == 1 || is(1, "d"))) {
        if (!Decimal(t[0].text, d))
            return false;
    } else if (is(1, "dm ") && is(2, "n") && (t.size() == 3 || (t.size() == 4 && is(3, "m")))) {
        if (!Whole(t[0].text, d) || !Decimal(t[2].text, m) || m >= 60)
            return false;
    } else if (is(1, "dm ") && is(2, "n") && is(3, "m ") && is(4, "n") &&
               (t.size() == 5 || (t.size() == 6 && is(5, "s")))) {
        if (!Whole(t[0].text, d) || !Whole(t[2].text, m) || !Decimal(t[4].text, s) || m >= 60 || s >= 60)
            return false;
    } else {
        return false;
    }
    value = d + m / 60 + s / 3600;
    if (negative)
        value = -value;
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

JumpEntry Refused(const char* message)
{
    JumpEntry e;
    e.message = message;
    return e;
}

} // namespace

JumpEntry ParseJumpText(std::string_view text)
{
    const std::string s = Normalise(text);
    const size_t comma = s.find(',');
    if (comma == std::string::npos || s.find(',', comma + 1) != std::string::npos)
        return Refused(kJumpUnreadable);
    const std::string_view all(s);
    const std::string_view first = Trim(all.substr(0, comma)), second = Trim(all.substr(comma + 1));
    if (first.empty() || second.empty())
        return Refused(kJumpUnreadable);
    double lat, lon;
    if (!Coordinate(first, lat))
        return Refused(kJumpLatitudeUnreadable);
    if (!Coordinate(second, lon))
        return Refused(kJumpLongitudeUnreadable);
    if (!PointToMeshCodes(lat, lon))
        return Refused(PointToMeshCodes(lon, lat) ? kJumpSwapped : kJumpOutsideGrid);
    JumpEntry e;
    e.accepted = true;
    e.lat = lat;
    e.lon = lon;
    return e;
}
