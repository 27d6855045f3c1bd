// Places by name: the 47 prefectures and the four gazetteers, for the command line.
#pragma once

#include "geodata/placeindex.h"
#include "geodata/places.h"

#include <string>
#include <string_view>
#include <vector>

struct PlaceMatch {
    const char* kind = "";  // prefecture, municipality, island, mountain or lake
    const PlaceEntry* place = nullptr;
    std::string nameUtf8;        // without the line end some island names carry
    std::string prefectureUtf8;  // the prefecture the place lies in; empty at sea or when unknown
};

// The form in which names and queries are compared, so that each spelling finds the other:
// compatibility forms folded (full-width letters and digits, half-width kana), the variants the
// stored names use for characters without a CP932 form (屛 as 屏, 鷗 as 鴎, ...), small kana as
// large ones (ヶ as ケ), and カ between two kanji, the counter, as ケ (関カ原 as 関ケ原).
std::string SearchForm(std::string_view utf8);

// Names equal to text first, then names that contain it, both compared in their SearchForm; a
// place also answers to the other names the index gives it. Within each group the prefectures,
// municipalities, islands, mountains and lakes in their order. text is UTF-8; a text that is empty
// in its SearchForm matches nothing.
std::vector<PlaceMatch> FindPlaces(std::string_view text, size_t limit, const PlaceIndex& index);

// "KIND<TAB>NAME<TAB>LAT<TAB>LON<TAB>CODE<TAB>PREFECTURE": latitude and longitude with six
// decimals in the C format, CODE the status bar's grid-square readout of that point ("5339-45-25").
std::string PlaceMatchLine(const PlaceMatch& m);
