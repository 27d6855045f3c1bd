// Stand-ins of the embedded data sets at their real sizes, for benchmarks on a build that does
// not carry them.
#pragma once

#include "../tests/geodata/resource_builder.h"

#include <cstdio>
#include <random>

inline Bytes SyntheticCatalogue(int records, bool fiveMeter)
{
    std::vector<CatalogueRecord> rows;
    rows.reserve(static_cast<size_t>(records));
    std::mt19937 rng(11);
    char xml[64], zip[64];
    for (int i = 0; i < records; ++i) {
        const int first = 3036 + (i / 6400) % 3800;
        const int second = (i / 100) % 64;
        const int rc = second / 8 * 10 + second % 8;
        const char kind = "ABC"[rng() % 3];
        if (fiveMeter) {
            std::snprintf(xml, sizeof xml, "FG-GML-%04d-%02d-%02d-DEM5%c-20161001.xml", first, rc, i % 100, kind);
            std::snprintf(zip, sizeof zip, "FG-GML-%04d-%02d-DEM5%c.zip", first, rc, kind);
        } else {
            std::snprintf(xml, sizeof xml, "FG-GML-%04d-%02d-dem10b-20161001.xml", first, rc);
            std::snprintf(zip, sizeof zip, "FG-GML-%04d-%02d-DEM10B.zip", first, rc);
        }
        rows.push_back({static_cast<int32_t>(rng() % 47), xml, zip});
    }
    return Compress(Catalogue(rows));
}

inline Bytes SyntheticBoundaries(int polylines, int vertices)
{
    Bytes b;
    std::mt19937 rng(12);
    const int per = vertices / polylines;
    for (int p = 0; p < polylines; ++p) {
        uint32_t lon = 27000 + rng() % 18000, lat = 26000 + rng() % 19000;
        std::vector<uint32_t> v;
        for (int k = 0; k < per; ++k) {
            lon += rng() % 3 - 1;
            lat += rng() % 3 - 1;
            v.push_back(lon << 16 | lat);
        }
        uint32_t minLon = 0xFFFF, minLat = 0xFFFF, maxLon = 0, maxLat = 0;
        for (uint32_t x : v) {
            minLon = std::min(minLon, x >> 16), maxLon = std::max(maxLon, x >> 16);
            minLat = std::min(minLat, x & 0xFFFF), maxLat = std::max(maxLat, x & 0xFFFF);
        }
        PutInt32(b, per);
        PutInt32(b, static_cast<int32_t>(minLon << 16 | minLat));
        PutInt32(b, static_cast<int32_t>(maxLon << 16 | maxLat));
        for (uint32_t x : v)
            PutInt32(b, static_cast<int32_t>(x));
    }
    return Compress(b);
}

inline Bytes SyntheticRaster(int sheets)
{
    Bytes content(4841280 + 36800, 0);
    std::mt19937 rng(13);
    auto* cells = reinterpret_cast<int16_t*>(content.data());
    for (int s = 0; s < sheets; ++s) {
        for (int r = 1; r <= 80; ++r)
            for (int c = 1; c <= 80; ++c)
                cells[(static_cast<size_t>(s) * 82 * 82 + static_cast<size_t>(r) * 82 + static_cast<size_t>(c)) * 2] =
                    static_cast<int16_t>((r * c + s * 37) % 1500 + rng() % 7);
        unsigned char* rec = content.data() + 4841280 + static_cast<size_t>(s) * 184;
        const int32_t code = (68 - s / 5) * 100 + 21 + s % 35;
        std::memcpy(rec, &code, 4);
        std::memcpy(rec + 4, &s, 4);
    }
    return Compress(content);
}
