// What place search knows beyond the four gazetteers: the 47 prefectures as places, the prefecture
// each gazetteer record lies in, and other names of records. Read only by the place search of
// tesselo-cli; the window never loads it.
#pragma once

#include "geodata/places.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int kResourcePlaceIndex = 161;

struct PlaceIndexSection {
    int resource = 0;          // the gazetteer it describes: 131, 148, 149 or 150
    uint32_t adler = 0;        // Adler-32 of that gazetteer's bytes when the index was built
    std::vector<uint8_t> prefectures;  // per record: 1 to 47 (JIS order), 0 none
};

struct PlaceAlias {
    int resource = 0;  // a gazetteer, or kResourcePlaceIndex for the prefecture records
    size_t index = 0;  // record index in it
    std::string name;  // CP932
};

struct PlaceIndex {
    std::vector<PlaceEntry> prefectures;  // the 47 prefectures at their offices, names CP932
    std::vector<PlaceIndexSection> sections;
    std::vector<PlaceAlias> aliases;
};

// Reads the bytes of resource 161. A data set cut short or inconsistent yields false and an empty
// index: half an index would put prefectures on the wrong places.
bool ReadPlaceIndex(const unsigned char* bytes, size_t size, PlaceIndex& index);
// Reads resource 161 of the module in g_hInstance, then keeps only the sections that still
// describe the gazetteer resources embedded beside it (same Adler-32).
bool LoadPlaceIndex(PlaceIndex& index);

// The prefecture (1 to 47) in which record i of a gazetteer lies; 0 when it lies in none or the
// index does not describe that gazetteer.
int PrefectureOfRecord(const PlaceIndex& index, int resource, size_t i);
