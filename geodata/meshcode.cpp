#include "geodata/meshcode.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

int32_t LeadingInteger(const char* text)
{
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

namespace {

// A group of characters of the code's text read as a decimal number.
int Group(const char* text, int from, int count)
{
    const char a = text[from];
    if (count == 1)
        return a >= '0' && a <= '9' ? a - '0' : 0;
    const char b = text[from + 1];
    if (a >= '0' && a <= '9' && b >= '0' && b <= '9')
        return (a - '0') * 10 + (b - '0');
    char buf[3] = {a, b, 0};
    return LeadingInteger(buf);
}

int32_t JoinDigits(double a, double b)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d%d", TruncToInt(a), TruncToInt(b));
    return LeadingInteger(text);
}

// The "%d" text of a code; written out by hand for the non-negative codes of the catalogues,
// which the loaders convert by the hundred thousand.
int FormatCode(MeshCode code, char (&text)[16])
{
    if (code < 0)
        return std::snprintf(text, sizeof text, "%d", code);
    char digits[16];
    int n = 0;
    uint32_t v = static_cast<uint32_t>(code);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    for (int i = 0; i < n; ++i)
        text[i] = digits[n - 1 - i];
    text[n] = 0;
    return n;
}

} // namespace

bool MeshCodeToRect(MeshCode code, GeoRect& rect)
{
    rect = GeoRect{};
    char text[16];
    int len;
    // The catalogues' codes: the digits by arithmetic, the same values the text gives.
    if (code >= 100000 && code <= 99999999 && (code <= 999999 || code >= 10000000)) {
        len = code <= 999999 ? 6 : 8;
        int v = code;
        for (int i = len - 1; i >= 0; --i, v /= 10)
            text[i] = static_cast<char>('0' + v % 10);
    } else {
        len = FormatCode(code, text);
    }
    if (len != 6 && len != 8)
        return false;
    const double lat1 = Group(text, 0, 2) / 1.5;
    const double lon1 = Group(text, 2, 2) + 100;
    const double lat2 = Group(text, 4, 1) * 0.0833333333333333;
    const double lon2 = Group(text, 5, 1) * 0.125;
    if (len == 6) {
        rect.south = lat2 + lat1;
        rect.west = lon2 + lon1;
        rect.north = rect.south + 0.0833333333333333;
        rect.east = rect.west + 0.125;
        return true;
    }
    const double lat3 = Group(text, 6, 1) * 0.0083333333333333;
    const double lon3 = Group(text, 7, 1) * 0.0125;
    rect.south = (lat2 + lat1) + lat3;
    rect.west = (lon2 + lon1) + lon3;
    rect.north = rect.south + 0.0083333333333333;
    rect.east = rect.west + 0.0125;
    return true;
}

MeshCodeParts PointToMeshCodes(double lat, double lon)
{
    MeshCodeParts parts;
    const double P = std::floor(lat * 1.5);
    const double Q = std::floor(lon - 100);
    parts.first = JoinDigits(P, Q);
    const double lat1 = P / 15 * 10;
    const double lon1 = Q + 100;
    const double R2 = std::floor((lat - lat1) * 100000 / 8333);
    const double C2 = std::floor((lon - lon1) * 1000 / 125);
    const double lat2 = R2 * 8333 / 100000 + lat1;
    const double lon2 = C2 * 125 / 1000 + lon1;
    parts.second = JoinDigits(R2, C2);
    const double R3 = std::floor((lat - lat2) * 1000000 / 8333);
    const double C3 = std::floor((lon - lon2) * 10000 / 125);
    parts.third = JoinDigits(R3, C3);
    return parts;
}
