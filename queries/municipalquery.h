// Areas as people name them: a prefecture by name or number, a municipality, a ward or a whole
// designated city by name, and the DEM files of each.
#pragma once

#include "geodata/municipal.h"
#include "queries/areaquery.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The 0-based index of a prefecture named as in the prefecture table (UTF-8, "東京都"), without
// its last character ("東京", "神奈川"), or by its JIS number 1 to 47; blanks around, full-width
// digits and the other forms the place search folds are taken as typed. Nothing for anything else.
std::optional<int32_t> ParsePrefecture(std::string_view text);

// A municipality name as people write it: blanks around (half or full width) dropped, and a
// prefecture written in front ("東京都北区") or in brackets behind ("伊達市 (北海道)", the form of
// the candidates below) taken apart. Both in the place search's form (SearchForm).
struct MunicipalityName {
    std::string name;
    std::optional<int32_t> prefecture;
};
MunicipalityName ReadMunicipalityName(std::string_view text);

// What a municipality name stands for among the areas.
struct MunicipalityMatch {
    // One place fitted: its areas (a municipality or ward, or every ward of a designated city).
    std::vector<const MunicipalArea*> areas;
    // Several places fitted: each as "札幌市中央区 (北海道)", in prefecture and code order.
    std::vector<std::string> candidates;
    // None fitted: the nearest names, written the same way, those of the named prefecture
    // first, then nearest first (at most five; none when no name shares anything with it).
    std::vector<std::string> suggestions;
};

// name (UTF-8) is a municipality or ward ("箱根町", "千代田区"), a ward with its designated city
// ("札幌市中央区"), a municipality with its county ("足柄下郡箱根町") or a designated city alone
// ("札幌市", all its wards), read by ReadMunicipalityName. With a prefecture, given or written
// with the name, only places in it count; two that differ leave nothing.
MunicipalityMatch FindMunicipality(std::string_view name, std::optional<int32_t> prefecture,
                                   const std::vector<MunicipalArea>& areas);

// How a place is written in candidates and suggestions: the ward with its designated city, or
// the municipality alone, then the prefecture in brackets. UTF-8.
std::string MunicipalityLabel(const MunicipalArea& area);

// Every catalogue row listed under the prefecture, in the order of FindAreaFiles.
std::vector<AreaFile> FindPrefectureFiles(int32_t prefecture, EditionChoice editions);
// Whether the square of a 6- or 8-digit code shares inside with one of the areas
// (AreaMeetsRectInterior).
bool AreasTakeSquare(const std::vector<const MunicipalArea*>& areas, MeshCode code);
// The files whose squares share inside with one of the areas.
std::vector<AreaFile> FindMunicipalityFiles(const std::vector<const MunicipalArea*>& areas, EditionChoice editions);
// The municipalities of a prefecture.
std::vector<const MunicipalArea*> PrefectureAreas(int32_t prefecture, const std::vector<MunicipalArea>& areas);

// An area as the commands take it: a point, a box or a mesh code; a prefecture; or the places
// a municipality name stands for.
struct AreaSelection {
    enum class Kind { Query, Prefecture, Municipality } kind = Kind::Query;
    AreaQuery query;                          // Kind::Query
    int32_t prefecture = -1;                  // Kind::Prefecture
    std::vector<const MunicipalArea*> areas;  // Kind::Municipality; Kind::Prefecture: its municipalities
};

// The catalogue's files of the area: FindAreaFiles, FindPrefectureFiles or FindMunicipalityFiles.
std::vector<AreaFile> FindSelectionFiles(const AreaSelection& area, EditionChoice editions);
// Whether the area takes a square of any file, listed or not: AreaTakesSquare for a point, box or
// mesh code, AreasTakeSquare for a prefecture or a municipality.
bool SelectionTakesSquare(const AreaSelection& area, MeshCode code);
