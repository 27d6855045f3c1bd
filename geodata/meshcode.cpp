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


constexpr double kLatStep2 = 0.0833333333333333;
constexpr double kLatStep3 = 0.0083333333333333;

// The square from its digit values: the first-level pair, then one digit each.
void RectOf(double lat1, double lon1, double lat2, double lon2, bool third, double lat3, double lon3, GeoRect& rect)
{
    if (!third) {
        rect.south = lat2 + lat1;
        rect.west = lon2 + lon1;
        rect.north = rect.south + kLatStep2;
        rect.east = rect.west + 0.125;
        return;
    }
    rect.south = (lat2 + lat1) + lat3;
    rect.west = (lon2 + lon1) + lon3;
    rect.north = rect.south + kLatStep3;
    rect.east = rect.west + 0.0125;
}

// Every product of a digit and its step, made once: the loaders convert codes by the hundred
// thousand. The same doubles as the products themselves.
struct DigitSteps {
    double lat1[100], lon1[100], lat2[10], lon2[10], lat3[10], lon3[10];
};

constexpr DigitSteps MakeDigitSteps()
{
    DigitSteps t{};
    for (int d = 0; d < 100; ++d) {
        t.lat1[d] = d / 1.5;
        t.lon1[d] = d + 100;
    }
    for (int d = 0; d < 10; ++d) {
        t.lat2[d] = d * kLatStep2;
        t.lon2[d] = d * 0.125;
        t.lat3[d] = d * kLatStep3;
        t.lon3[d] = d * 0.0125;
    }
    return t;
}

constexpr DigitSteps kSteps = MakeDigitSteps();

} // namespace

bool MeshCodeToRect(MeshCode code, GeoRect& rect)
{
    rect = GeoRect{};
    // Non-negative codes of 6 or 8 digits: the digits by arithmetic, the same values the text
    // gives.
    if (code >= 100000 && code <= 999999) {
        const int v = code;
        RectOf(kSteps.lat1[v / 10000], kSteps.lon1[v / 100 % 100], kSteps.lat2[v / 10 % 10], kSteps.lon2[v % 10],
               false, 0, 0, rect);
        return true;
    }
    if (code >= 10000000 && code <= 99999999) {
        const int v = code;
        RectOf(kSteps.lat1[v / 1000000], kSteps.lon1[v / 10000 % 100], kSteps.lat2[v / 1000 % 10],
               kSteps.lon2[v / 100 % 10], true, kSteps.lat3[v / 10 % 10], kSteps.lon3[v % 10], rect);
        return true;
    }
    // Anything else goes by the "%d" text: only negative codes can still have 6 or 8 characters.
    char text[16];
    const int len = std::snprintf(text, sizeof text, "%d", code);
    if (len != 6 && len != 8)
        return false;
    RectOf(Group(text, 0, 2) / 1.5, Group(text, 2, 2) + 100, Group(text, 4, 1) * kLatStep2, Group(text, 5, 1) * 0.125,
           len == 8, len == 8 ? Group(text, 6, 1) * kLatStep3 : 0, len == 8 ? Group(text, 7, 1) * 0.0125 : 0, rect);
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
