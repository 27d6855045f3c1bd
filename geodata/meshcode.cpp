#include "geodata/meshcode.h"

#include <algorithm>
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

namespace {

// The largest digit in 0..last whose edge south(d) (or west(d)) is not beyond v: the edges are
// those MeshCodeToRect computes, so the square found is one of its rectangles.
template <typename Edge>
int LastEdgeAtOrBelow(double v, int last, Edge edge)
{
    int d = last;
    while (d > 0 && edge(d) > v)
        --d;
    return d;
}

} // namespace

std::optional<MeshCodeParts> PointToMeshCodes(double lat, double lon)
{
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return std::nullopt;
    // Moving the point north-east by the tolerance puts one just short of an edge on it.
    const double la = lat + kEdgeTolerance;
    const double lo = lon + kEdgeTolerance;
    if (la < kGridFirstRowMin / 1.5 || la >= (kGridFirstRowMax + 1) / 1.5 || lo < kGridFirstColumnMin + 100 ||
        lo >= kGridFirstColumnMax + 101)
        return std::nullopt;
    // The first-level row and column from a guess, moved until their edges hold the point.
    int P = std::clamp(static_cast<int>(std::floor(la * 1.5)), kGridFirstRowMin, kGridFirstRowMax);
    while (P > kGridFirstRowMin && kSteps.lat1[P] > la)
        --P;
    while (P < kGridFirstRowMax && kSteps.lat1[P + 1] <= la)
        ++P;
    const int Q = std::clamp(static_cast<int>(std::floor(lo - 100)), kGridFirstColumnMin, kGridFirstColumnMax);
    const double lat1 = kSteps.lat1[P], lon1 = kSteps.lon1[Q];
    // A point in the last bits between row 7's north edge and the next first-level square's south
    // edge stays in row 7.
    const int r2 = LastEdgeAtOrBelow(la, 7, [&](int d) { return kSteps.lat2[d] + lat1; });
    const int c2 = LastEdgeAtOrBelow(lo, 7, [&](int d) { return kSteps.lon2[d] + lon1; });
    const double lat2 = kSteps.lat2[r2] + lat1, lon2 = kSteps.lon2[c2] + lon1;
    const int r3 = LastEdgeAtOrBelow(la, 9, [&](int d) { return lat2 + kSteps.lat3[d]; });
    const int c3 = LastEdgeAtOrBelow(lo, 9, [&](int d) { return lon2 + kSteps.lon3[d]; });
    return MeshCodeParts{P * 100 + Q, r2 * 10 + c2, r3 * 10 + c3};
}

std::optional<MeshCode> PointToMeshCode(double lat, double lon, bool thirdLevel)
{
    const std::optional<MeshCodeParts> p = PointToMeshCodes(lat, lon);
    if (!p)
        return std::nullopt;
    const MeshCode second = p->first * 100 + p->second;
    return thirdLevel ? second * 100 + p->third : second;
}

bool IsGridMeshCode(MeshCode code)
{
    int first;
    if (code >= 100000 && code <= 999999) {
        first = code / 100;
    } else if (code >= 10000000 && code <= 99999999) {
        first = code / 10000;
    } else {
        return false;
    }
    const int row = first / 100, column = first % 100, r2 = code / (code > 999999 ? 1000 : 10) % 10,
              c2 = code / (code > 999999 ? 100 : 1) % 10;
    return row >= kGridFirstRowMin && row <= kGridFirstRowMax && column >= kGridFirstColumnMin &&
           column <= kGridFirstColumnMax && r2 <= 7 && c2 <= 7;
}
