#include "queries/municipalquery.h"

#include "geodata/catalogue.h"
#include "geodata/meshcode.h"
#include "queries/placesearch.h"
#include "platform/cp932.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <tuple>

namespace {

bool EndsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A ward of a designated city: its upper name is the city (Tokyo's special wards have none).
bool IsCityWard(const std::string& upperUtf8, const std::string& nameUtf8)
{
    return EndsWith(upperUtf8, "市") && EndsWith(nameUtf8, "区");
}

std::u32string CodePoints(std::string_view utf8)
{
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t v = n == 1 ? c : c & (0x3F >> (n - 1));
        for (size_t k = 1; k < n && i + k < utf8.size(); ++k)
            v = (v << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(v);
        i += n;
    }
    return out;
}

size_t EditDistance(const std::u32string& a, const std::u32string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string PrefectureLabel(int32_t prefecture)
{
    return prefecture >= 0 && prefecture < 47 ? kPrefectureNamesUtf8[prefecture] : "?";
}

} // namespace

std::optional<int32_t> ParsePrefecture(std::string_view text)
{
    // Compared in the place search's form: full-width digits and blanks around count as typed.
    const std::string s = SearchForm(text);
    for (int32_t i = 0; i < 47; ++i) {
        const std::string_view name = kPrefectureNamesUtf8[i];
        // Without its last character, 都, 道, 府 or 県, as people say it: 東京, 神奈川.
        if (s == name || s == name.substr(0, name.size() - std::string_view("県").size()))
            return i;
    }
    if (s.empty() || s.size() > 2 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int number = std::stoi(s);
    if (number < 1 || number > 47)
        return std::nullopt;
    return number - 1;
}

MunicipalityName ReadMunicipalityName(std::string_view text)
{
    MunicipalityName n;
    n.name = SearchForm(text);  // blanks around dropped, full-width brackets made plain
    // The form the candidates are written in: "伊達市 (北海道)".
    const size_t open = n.name.rfind('(');
    if (open != std::string::npos && !n.name.empty() && n.name.back() == ')') {
        if (const std::optional<int32_t> p = ParsePrefecture(n.name.substr(open + 1, n.name.size() - open - 2))) {
            n.prefecture = p;
            n.name = SearchForm(n.name.substr(0, open));
            return n;
        }
    }
    // The prefecture written in front, as in an address: 東京都北区. Only whole names: 京都市
    // is no 京都 in front of 市.
    for (int32_t i = 0; i < 47; ++i) {
        const std::string_view pref = kPrefectureNamesUtf8[i];
        if (n.name.size() > pref.size() && n.name.compare(0, pref.size(), pref) == 0) {
            n.prefecture = i;
            n.name = SearchForm(n.name.substr(pref.size()));
            break;
        }
    }
    return n;
}

std::string MunicipalityLabel(const MunicipalArea& area)
{
    const std::string upper = Cp932ToUtf8(area.upper), name = Cp932ToUtf8(area.name);
    return (IsCityWard(upper, name) ? upper + name : name) + " (" + PrefectureLabel(area.prefecture) + ")";
}

MunicipalityMatch FindMunicipality(std::string_view typed, std::optional<int32_t> prefecture,
                                   const std::vector<MunicipalArea>& areas)
{
    const MunicipalityName typedName = ReadMunicipalityName(typed);
    const std::string& name = typedName.name;
    // A prefecture written with the name and another given beside it: nothing fits both.
    const bool disagree = prefecture && typedName.prefecture && *prefecture != *typedName.prefecture;
    if (typedName.prefecture)
        prefecture = typedName.prefecture;
    // Places by (prefecture, code of the area or 0 for a whole designated city, its label).
    using Key = std::tuple<int32_t, int32_t, std::string>;
    std::map<Key, std::vector<const MunicipalArea*>> places;
    const std::u32string wanted = CodePoints(name);
    // label -> (elsewhere than the named prefecture, distance, prefecture, code)
    std::map<std::string, std::tuple<bool, size_t, int32_t, int32_t>> near;
    // A name is near when some of it stays: fewer edits than the longer of the two has characters.
    auto distance = [&](const std::string& other) {
        const std::u32string o = CodePoints(other);
        const size_t d = EditDistance(wanted, o);
        return d < std::max(wanted.size(), o.size()) ? d : SIZE_MAX;
    };
    auto consider = [&](const std::string& label, size_t distance, int32_t pref, int32_t code) {
        if (distance == SIZE_MAX)
            return;
        const bool elsewhere = prefecture && *prefecture != pref;
        auto [it, fresh] = near.try_emplace(label, elsewhere, distance, pref, code);
        if (!fresh && distance < std::get<1>(it->second))
            std::get<1>(it->second) = distance;
    };
    for (const MunicipalArea& a : areas) {
        // Both sides in the place search's form, so that ヶ and ケ, full and half width meet.
        const std::string upper = SearchForm(Cp932ToUtf8(a.upper)), own = SearchForm(Cp932ToUtf8(a.name));
        const bool ward = IsCityWard(upper, own);
        const std::string label = MunicipalityLabel(a);
        const std::string cityLabel = Cp932ToUtf8(a.upper) + " (" + PrefectureLabel(a.prefecture) + ")";
        const bool here = !disagree && (!prefecture || *prefecture == a.prefecture);
        if (here && (name == own || (!upper.empty() && name == upper + own)))
            places[Key{a.prefecture, a.code, label}].push_back(&a);
        if (here && ward && name == upper)
            places[Key{a.prefecture, 0, cityLabel}].push_back(&a);
        consider(label, std::min(distance(own), upper.empty() ? SIZE_MAX : distance(upper + own)), a.prefecture, a.code);
        if (ward)
            consider(cityLabel, distance(upper), a.prefecture, 0);
    }
    MunicipalityMatch match;
    if (places.size() == 1) {
        match.areas = places.begin()->second;
    } else if (places.size() > 1) {
        for (const auto& [key, unused] : places)
            match.candidates.push_back(std::get<2>(key));
    } else {
        std::vector<std::tuple<bool, size_t, int32_t, int32_t, std::string>> order;
        for (const auto& [label, v] : near)
            order.emplace_back(std::get<0>(v), std::get<1>(v), std::get<2>(v), std::get<3>(v), label);
        std::sort(order.begin(), order.end());
        for (size_t i = 0; i < order.size() && i < 5; ++i)
            match.suggestions.push_back(std::get<4>(order[i]));
    }
    return match;
}

std::vector<AreaFile> FindPrefectureFiles(int32_t prefecture, EditionChoice editions)
{
    return FindAreaFilesWhere(editions, [&](const DemFileEntry& e, MeshCode) { return e.prefecture == prefecture; });
}

bool AreasTakeSquare(const std::vector<const MunicipalArea*>& areas, MeshCode code)
{
    GeoRect square;
    return MeshCodeToRect(code, square) && std::any_of(areas.begin(), areas.end(), [&](const MunicipalArea* a) {
               return square.south < a->bounds.north && square.north > a->bounds.south &&
                      square.west < a->bounds.east && square.east > a->bounds.west && AreaMeetsRectInterior(*a, square);
           });
}

std::vector<AreaFile> FindMunicipalityFiles(const std::vector<const MunicipalArea*>& areas, EditionChoice editions)
{
    if (areas.empty())
        return {};
    return FindAreaFilesWhere(editions, [&](const DemFileEntry&, MeshCode code) { return AreasTakeSquare(areas, code); });
}

std::vector<const MunicipalArea*> PrefectureAreas(int32_t prefecture, const std::vector<MunicipalArea>& areas)
{
    std::vector<const MunicipalArea*> out;
    for (const MunicipalArea& a : areas)
        if (a.prefecture == prefecture)
            out.push_back(&a);
    return out;
}

std::vector<AreaFile> FindSelectionFiles(const AreaSelection& area, EditionChoice editions)
{
    switch (area.kind) {
    case AreaSelection::Kind::Prefecture:
        return FindPrefectureFiles(area.prefecture, editions);
    case AreaSelection::Kind::Municipality:
        return FindMunicipalityFiles(area.areas, editions);
    case AreaSelection::Kind::Query:
        break;
    }
    return FindAreaFiles(area.query, editions);
}

bool SelectionTakesSquare(const AreaSelection& area, MeshCode code)
{
    return area.kind == AreaSelection::Kind::Query ? AreaTakesSquare(area.query, code) : AreasTakeSquare(area.areas, code);
}
