// Areas as people name them: a prefecture by name or number, a municipality, a ward or a whole
// designated city by name, and the DEM files of each.
#pragma once

#include "geodata/municipal.h"
#include "queries/areaquery.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The 0-based index of a prefecture named as in the prefecture table (UTF-8, "東京都") or by
// its JIS number 1 to 47; nothing for anything else.
std::optional<int32_t> ParsePrefecture(std::string_view text);

// What a municipality name stands for among the areas.
struct MunicipalityMatch {
    // One place fitted: its areas (a municipality or ward, or every ward of a designated city).
    std::vector<const MunicipalArea*> areas;
    // Several places fitted: each as "札幌市中央区 (北海道)", in prefecture and code order.
    std::vector<std::string> candidates;
    // None fitted: the nearest names, written the same way, nearest first (at most five; none
    // when no name shares anything with it).
    std::vector<std::string> suggestions;
};

// name (UTF-8) is a municipality or ward ("箱根町", "千代田区"), a ward with its designated city
// ("札幌市中央区"), a municipality with its county ("足柄下郡箱根町") or a designated city alone
// ("札幌市", all its wards). With a prefecture, only places in it count.
MunicipalityMatch FindMunicipality(std::string_view name, std::optional<int32_t> prefecture,
                                   const std::vector<MunicipalArea>& areas);

// How a place is written in candidates and suggestions: the ward with its designated city, or
// the municipality alone, then the prefecture in brackets. UTF-8.
std::string MunicipalityLabel(const MunicipalArea& area);

// Every catalogue row listed under the prefecture, in the order of FindAreaFiles.
std::vector<AreaFile> FindPrefectureFiles(int32_t prefecture, EditionChoice editions);
// The files whose squares share interior with one of the areas (AreaMeetsRectInterior).
std::vector<AreaFile> FindMunicipalityFiles(const std::vector<const MunicipalArea*>& areas, EditionChoice editions);
